#include "levelmeter.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>

#include "media/peakmeter.h"
#include "skin.h"

namespace player {

namespace {
constexpr int kClipHeight = 6;
constexpr int kNameHeight = 12;
constexpr int kGap = 2;

// A bar from its foot (empty) to its top (full scale), in segments: green, amber from -12 dB, red from -3 dB.
QPixmap barPicture(const QSize& size, qreal dpr, bool lit) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    auto fraction = [](double db) {
        return 1 - (db - djrules::MeterBallistics::kFloorDb) / -djrules::MeterBallistics::kFloorDb;
    };
    QLinearGradient g(0, 0, 0, size.height());
    const QColor red(255, 77, 77), amber(255, 176, 32), green(61, 220, 132);
    const int dim = lit ? 100 : 420;
    g.setColorAt(0, red.darker(dim));
    g.setColorAt(fraction(-3), red.darker(dim));
    g.setColorAt(fraction(-3) + 0.001, amber.darker(dim));
    g.setColorAt(fraction(-12), amber.darker(dim));
    g.setColorAt(fraction(-12) + 0.001, green.darker(dim));
    g.setColorAt(1, green.darker(dim));
    p.fillRect(QRect(QPoint(0, 0), size), g);
    p.setPen(QColor(8, 9, 10));
    for (int y = 2; y < size.height(); y += 3)
        p.drawLine(0, y, size.width(), y);
    return pm;
}
} // namespace

LevelMeter::LevelMeter(platform::media::PeakMeter& source, QColor accent, QString name, QWidget* parent)
    : QWidget(parent), m_source(source), m_accent(accent), m_name(std::move(name)) {
    setAttribute(Qt::WA_TranslucentBackground);
}

QRect LevelMeter::barRect(int channel) const {
    const int barWidth = (width() - kGap) / 2;
    const int top = kClipHeight + 3;
    return QRect(channel == 0 ? 0 : width() - barWidth, top, barWidth, height() - top - kNameHeight - 2);
}

LevelMeter::Shown LevelMeter::wanted() const {
    Shown s;
    const double device = barRect(0).height() * devicePixelRatioF();
    for (int c = 0; c < 2; ++c) {
        s.level[c] = static_cast<int>(std::lround(m_ballistics.level(c) * device));
        s.hold[c] = static_cast<int>(std::lround(m_ballistics.hold(c) * device));
    }
    s.clip = m_ballistics.clipLit();
    return s;
}

void LevelMeter::tick(double seconds) {
    const platform::media::PeakMeter::Reading r = m_source.take();
    m_ballistics.step(r.left, r.right, r.clipped, seconds);
    if (wanted() != m_shown)
        update();
}

void LevelMeter::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    m_shown = wanted();
    const QRect bar0 = barRect(0);
    if (m_lit.isNull() || m_lit.devicePixelRatio() != dpr || m_lit.deviceIndependentSize() != bar0.size()) {
        m_lit = barPicture(bar0.size(), dpr, true);
        m_dark = barPicture(bar0.size(), dpr, false);
    }
    QPainter p(this);
    // The clip light.
    const QRectF clip(0.5, 0.5, width() - 1, kClipHeight);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(5, 6, 7), 1));
    p.setBrush(m_shown.clip ? QColor(255, 60, 60) : QColor(58, 24, 26));
    p.drawRoundedRect(clip, 1.5, 1.5);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int c = 0; c < 2; ++c) {
        const QRect r = barRect(c);
        p.drawPixmap(r.topLeft(), m_dark);
        // In device pixels, so a bar moves by whole pixels of the screen.
        const int device = static_cast<int>(std::lround(r.height() * dpr));
        const int lit = m_shown.level[c];
        if (lit > 0) {
            const QRectF source(0, device - lit, m_lit.width(), lit);
            p.drawPixmap(QRectF(r.left(), r.top() + (device - lit) / dpr, r.width(), lit / dpr), m_lit,
                         source);
        }
        if (m_shown.hold[c] > 0) {
            const qreal y = r.top() + (device - m_shown.hold[c]) / dpr;
            p.fillRect(QRectF(r.left(), y, r.width(), 2 / dpr), QColor(240, 242, 246));
        }
    }
    p.setFont(skin::uiFont(qRound(9 * m_scale), true));
    p.setPen(m_accent);
    p.drawText(QRect(0, height() - kNameHeight, width(), kNameHeight), Qt::AlignCenter, m_name);
}

} // namespace player
