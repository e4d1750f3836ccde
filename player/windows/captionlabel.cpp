#include "captionlabel.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "console/deckrules.h"
#include "core/twips.h"
#include "ui/serverpicture.h"

namespace player {

CaptionViewport::CaptionViewport(QWidget* parent)
    : QFrame(parent), m_server(platform::ServerPicture::create(this)) {}

// The beat must not step a lane whose picture has gone.
CaptionViewport::~CaptionViewport() {
    if (m_beat)
        m_beat->remove(m_server.get());
}

void CaptionViewport::setCaption(CaptionLabel* caption) {
    if (m_caption)
        m_caption->removeEventFilter(this);
    m_caption = caption;
    if (m_server)
        caption->hide();
    caption->installEventFilter(this);
    captionChanged();
}

bool CaptionViewport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_caption && event->type() == QEvent::Resize)
        followCaption();
    return QFrame::eventFilter(watched, event);
}

void CaptionViewport::followCaption() {
    if (m_caption && m_caption->size() != m_captionSize)
        captionChanged();
}

void CaptionViewport::joinBeat(platform::ServerBeat* beat) {
    if (!m_server || beat == m_beat)
        return;
    if (m_beat)
        m_beat->remove(m_server.get());
    m_beat = beat;
    if (m_beat)
        m_beat->add(m_server.get(), [this] { return beatStep(); });
}

std::unique_lock<std::recursive_mutex> CaptionViewport::hold() const {
    return m_beat ? m_beat->hold() : std::unique_lock<std::recursive_mutex>();
}

int CaptionViewport::captionLeft() const {
    const auto lock = hold();
    return m_left;
}

void CaptionViewport::setCaptionLeft(int twips) {
    const auto lock = hold();
    followCaption();
    m_left = twips;
    place();
}

void CaptionViewport::step() {
    const auto lock = hold();
    followCaption();
    m_left = deckrules::nextCaptionLeft(m_left, m_wrapWidth);
    place();
}

void CaptionViewport::captionChanged() {
    const auto lock = hold();
    m_captionSize = m_caption ? m_caption->size() : QSize();
    m_wrapWidth = platform::pixelsToTwips(m_captionSize.width(), m_scale);
    m_stale = true;
    place();
}

void CaptionViewport::setScale(double scale) {
    const auto lock = hold();
    m_scale = scale;
    captionChanged();
}

void CaptionViewport::setInSight(bool inSight) {
    const auto lock = hold();
    followCaption();
    m_inSight = inSight;
    place();
}

void CaptionViewport::showEvent(QShowEvent*) {
    const auto lock = hold();
    m_shown = true;
    followCaption();
}

void CaptionViewport::hideEvent(QHideEvent*) {
    const auto lock = hold();
    m_shown = false;
}

QPoint CaptionViewport::captionPlace() const {
    return {platform::twipsToPixels(m_left, m_scale), m_caption ? m_caption->y() : 0};
}

// Out of sight nothing moves; coming back, the caption is placed where its steps have brought it.
void CaptionViewport::place() {
    if (!m_caption || !m_inSight)
        return;
    m_caption->move(captionPlace());
    if (m_server && isVisible())
        putUp();
}

QPaintEngine* CaptionViewport::paintEngine() const {
    return m_server ? nullptr : QFrame::paintEngine();
}

void CaptionViewport::paintEvent(QPaintEvent*) {
    if (!m_server)
        return;
    const auto lock = hold();
    followCaption();
    if (!redirected(nullptr)) {
        m_stale = true; // exposed: perhaps on a screen of another pixel ratio, or with new colours
        putUp();
        return;
    }
    // A grab or render into a picture gets what the screen shows, drawn the ordinary way.
    QPainter p(this);
    p.fillRect(rect(), palette().color(backgroundRole()));
    if (m_caption)
        p.drawPixmap(captionPlace(), m_caption->picture());
}

// A step only copies: the picture, the frame and the pixel ratio are looked at again when the caption changes
// or the viewport is exposed.
void CaptionViewport::putUp() {
    if (!m_caption)
        return;
    if (std::exchange(m_stale, false))
        makeStrip();
    m_server->show(slice(), QPoint(0, 0));
}

void CaptionViewport::makeStrip() {
    m_dpr = devicePixelRatioF();
    const QSize frame(int(std::ceil(width() * m_dpr)), int(std::ceil(height() * m_dpr)));
    const QPixmap& picture = m_caption->picture();
    // The server keeps no picture wider than 32767 pixels: a longer caption is cut at its end, and keeps the
    // background on either side, so it still runs out of the frame.
    const int cut = std::min(picture.width(), 32767 - 2 * frame.width());
    const int top = int(std::lround(m_caption->y() * m_dpr));
    if (picture.cacheKey() != m_stripPicture || frame != m_frame || top != m_stripTop) {
        QImage strip(frame.width() * 2 + cut, frame.height(), QImage::Format_RGB32);
        strip.fill(palette().color(backgroundRole()));
        QImage caption = picture.toImage();
        caption.setDevicePixelRatio(1); // drawn pixel for pixel
        QPainter p(&strip);
        p.drawImage(QPoint(frame.width(), top), caption, QRect(0, 0, cut, caption.height()));
        p.end();
        m_server->setImage(strip);
        m_stripPicture = picture.cacheKey();
        m_stripTop = top;
    }
    m_frame = frame;
    m_cut = cut;
}

// The slice whose left edge lies one frame's width left of the caption's; a caption beyond either side
// leaves a slice of background.
QRect CaptionViewport::slice() const {
    const int left = int(std::lround(platform::twipsToPixels(m_left, m_scale) * m_dpr));
    const int from = std::clamp(m_frame.width() - left, 0, m_frame.width() + m_cut);
    return {from, 0, m_frame.width(), m_frame.height()};
}

QRect CaptionViewport::beatStep() {
    m_left = deckrules::nextCaptionLeft(m_left, m_wrapWidth);
    return m_inSight && m_shown && !m_frame.isEmpty() ? slice() : QRect();
}

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

const QPixmap& CaptionLabel::picture() const {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    const QRgb background = palette().color(QPalette::Window).rgba();
    const QRgb ink = palette().color(QPalette::WindowText).rgba();
    if (m_picture.isNull() || m_pictureText != text() || m_pictureSize != pixels ||
        m_pictureBackground != background || m_pictureInk != ink) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(dpr);
        m_picture.fill(QColor::fromRgba(background));
        QPainter p(&m_picture);
        p.setFont(font());
        p.setPen(QColor::fromRgba(ink));
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
        m_pictureText = text();
        m_pictureSize = pixels;
        m_pictureBackground = background;
        m_pictureInk = ink;
    }
    return m_picture;
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter(this).drawPixmap(0, 0, picture());
}

} // namespace player
