#include "captionlabel.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/serverpicture.h"

namespace player {

CaptionViewport::CaptionViewport(QWidget* parent)
    : QFrame(parent), m_server(platform::ServerPicture::create(this)) {}

CaptionViewport::~CaptionViewport() = default;

void CaptionViewport::setCaption(CaptionLabel* caption) {
    m_caption = caption;
    if (m_server)
        caption->hide();
}

QPaintEngine* CaptionViewport::paintEngine() const {
    return m_server ? nullptr : QFrame::paintEngine();
}

void CaptionViewport::paintEvent(QPaintEvent*) {
    if (!m_server)
        return;
    if (!redirected(nullptr)) {
        putUp();
        return;
    }
    // A grab or render into a picture gets what the screen shows, drawn the ordinary way.
    QPainter p(this);
    p.fillRect(rect(), palette().color(backgroundRole()));
    if (m_caption)
        p.drawPixmap(m_caption->pos(), m_caption->picture());
}

void CaptionViewport::captionMoved() {
    if (m_server && isVisible())
        putUp();
}

void CaptionViewport::putUp() {
    if (!m_caption)
        return;
    const qreal dpr = devicePixelRatioF();
    const QSize frame(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
    const QPixmap& picture = m_caption->picture();
    // The server keeps no picture wider than 32767 pixels: a longer caption is cut at its end, and keeps the
    // background on either side, so it still runs out of the frame.
    const int shown = std::min(picture.width(), 32767 - 2 * frame.width());
    const int top = int(std::lround(m_caption->y() * dpr));
    if (picture.cacheKey() != m_stripPicture || frame != m_stripFrame || top != m_stripTop) {
        QImage strip(frame.width() * 2 + shown, frame.height(), QImage::Format_RGB32);
        strip.fill(palette().color(backgroundRole()));
        QImage caption = picture.toImage();
        caption.setDevicePixelRatio(1); // drawn pixel for pixel
        QPainter p(&strip);
        p.drawImage(QPoint(frame.width(), top), caption, QRect(0, 0, shown, caption.height()));
        p.end();
        m_server->setImage(strip);
        m_stripPicture = picture.cacheKey();
        m_stripFrame = frame;
        m_stripTop = top;
    }
    // The slice whose left edge lies one frame's width left of the caption's; a caption beyond either side
    // leaves a slice of background.
    const int left = int(std::lround(m_caption->x() * dpr));
    const int from = std::clamp(frame.width() - left, 0, frame.width() + shown);
    m_server->show(QRect(from, 0, frame.width(), frame.height()), QPoint(0, 0));
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
