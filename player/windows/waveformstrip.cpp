#include "waveformstrip.h"

#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "analysis/waveform.h"
#include "skin.h"

namespace player {

using platform::analysis::WaveColumn;
using platform::analysis::Waveform;

namespace {

// A band's level is an RMS: a full-scale tone in one band reads 1/sqrt(2), which this brings to full height.
constexpr float kBandGain = 1.41421356f;

int stateOf(const Waveform* w) {
    if (!w)
        return -1;
    return w->failed() ? 2 : w->complete() ? 1 : 0;
}

QRgb rgbOf(const QColor& c) {
    return qRgb(c.red(), c.green(), c.blue());
}

// The beat grid as thin ticks at the strip's top and bottom edges, over the picture: every beat short and
// dim, the first of every four longer and lighter, none before the first beat.
void drawBeats(QRgb* bits, qsizetype stride, int w, int h, const platform::analysis::BeatGrid& grid,
               double pps, long long head, int headX) {
    const double period = grid.periodSeconds();
    // Closer than three pixels a beat, the ticks would be a grey bar.
    if (!(period > 0) || period * pps < 3)
        return;
    const double from = double(head - headX) / pps, to = double(head + (w - headX)) / pps;
    const long long first =
        std::max(0LL, static_cast<long long>(std::ceil((from - grid.firstBeatSeconds) / period)));
    const long long last = static_cast<long long>(std::floor((to - grid.firstBeatSeconds) / period));
    const QRgb beat = qRgb(120, 126, 136), bar = qRgb(214, 218, 226);
    for (long long k = first; k <= last; ++k) {
        const double t = grid.firstBeatSeconds + double(k) * period;
        const long long x = headX + (static_cast<long long>(std::floor(t * pps)) - head);
        if (x < 0 || x >= w)
            continue;
        const bool down = k % 4 == 0;
        const int reach = std::max(2, h / (down ? 5 : 9));
        for (int y = 0; y < reach; ++y) {
            bits[y * stride + x] = down ? bar : beat;
            bits[(h - 1 - y) * stride + x] = down ? bar : beat;
        }
    }
}

} // namespace

WaveformStrip::WaveformStrip(QColor accent, QWidget* parent) : QWidget(parent), m_accent(accent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

WaveformStrip::~WaveformStrip() = default;

void WaveformStrip::setWaveform(std::shared_ptr<const Waveform> waveform) {
    if (waveform == m_waveform)
        return;
    m_waveform = std::move(waveform);
    m_painted = false;
    refresh();
}

void WaveformStrip::setSecondsAcross(double seconds) {
    if (seconds == m_secondsAcross)
        return;
    m_secondsAcross = seconds;
    refresh();
}

void WaveformStrip::showMoment(double seconds) {
    m_moment = seconds;
    refresh();
}

double WaveformStrip::devicePixelsPerSecond() const {
    return std::round(width() * devicePixelRatioF()) / m_secondsAcross;
}

WaveformStrip::Shown WaveformStrip::wanted() const {
    Shown s;
    const double pps = devicePixelsPerSecond();
    s.head = static_cast<long long>(std::floor(m_moment * pps));
    s.across = m_secondsAcross;
    s.state = stateOf(m_waveform.get());
    if (m_waveform) {
        // Only what came in within sight matters to the picture; the rest shows as the progress.
        const double right = static_cast<double>(s.head) + std::round(width() * devicePixelRatioF()) / 2 + 1;
        const double lastColumn = right / pps * Waveform::kColumnsPerSecond;
        s.ready = static_cast<int>(std::min<double>(m_waveform->ready(), std::max(0.0, lastColumn)));
        if (s.state == 0)
            s.progress = static_cast<int>(m_waveform->progress() * 100);
        if (s.state == 1)
            if (const auto beats = m_waveform->facts().beats)
                s.grid = {beats->bpm, beats->firstBeatSeconds};
    }
    return s;
}

void WaveformStrip::refresh() {
    if (!m_painted || wanted() != m_shown)
        update();
}

void WaveformStrip::render(QImage& image, const Waveform* waveform, double seconds, double secondsAcross,
                           const QColor& accent) {
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0)
        return;
    const QRgb back = qRgb(11, 12, 14);
    image.fill(back);
    const int mid = h / 2;
    const int half = std::max(1, mid - 1);
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    {
        QRgb* row = bits + mid * stride;
        std::fill(row, row + w, qRgb(40, 43, 49));
    }
    const double pps = w / secondsAcross;
    const long long head = static_cast<long long>(std::floor(seconds * pps));
    const int headX = w / 2;
    if (waveform) {
        const QRgb bandRgb[3] = {rgbOf(skin::bandColour(0)), rgbOf(skin::bandColour(1)),
                                 rgbOf(skin::bandColour(2))};
        const QRgb peakRgb =
            rgbOf(QColor::fromRgbF(accent.redF() * 0.45f, accent.greenF() * 0.45f, accent.blueF() * 0.45f));
        const int ready = waveform->ready();
        const double perPixel = Waveform::kColumnsPerSecond / pps;
        for (int x = 0; x < w; ++x) {
            const long long p = head + (x - headX);
            if (p < 0)
                continue;
            const long long c0 = static_cast<long long>(std::floor(static_cast<double>(p) * perPixel));
            if (c0 >= ready)
                break;
            const long long c1 = std::min<long long>(
                ready,
                std::max(c0 + 1, static_cast<long long>(std::floor(static_cast<double>(p + 1) * perPixel))));
            WaveColumn m;
            for (long long c = c0; c < c1; ++c) {
                const WaveColumn& col = waveform->column(static_cast<int>(c));
                m.peak = std::max(m.peak, col.peak);
                m.low = std::max(m.low, col.low);
                m.mid = std::max(m.mid, col.mid);
                m.high = std::max(m.high, col.high);
            }
            auto reach = [half](float v, float gain) {
                return static_cast<int>(std::lround(std::clamp(v * gain, 0.0f, 1.0f) * half));
            };
            const int hp = reach(m.peak, 1), hl = reach(m.low, kBandGain), hm = reach(m.mid, kBandGain),
                      hh = reach(m.high, kBandGain);
            const int top = std::max({hp, hl, hm, hh});
            for (int d = 0; d < top; ++d) {
                const QRgb c = d < hh ? bandRgb[2] : d < hm ? bandRgb[1] : d < hl ? bandRgb[0] : peakRgb;
                bits[(mid - d) * stride + x] = c;
                if (mid + d < h)
                    bits[(mid + d) * stride + x] = c;
            }
        }
    }
    if (waveform && waveform->complete())
        if (const auto beats = waveform->facts().beats)
            drawBeats(bits, stride, w, h, *beats, pps, head, headX);
    QPainter p(&image);
    const qreal dpr = image.devicePixelRatio();
    // The play head: two device pixels either side of the middle's left edge, so it stays sharp at any scale.
    p.fillRect(QRectF((headX - 1) / dpr, 0, 2 / dpr, h / dpr), QColor(236, 238, 242));
    if (!waveform || waveform->complete())
        return;
    p.setFont(skin::uiFont(10));
    p.setPen(QColor(150, 156, 166));
    const QRectF text(6, 2, w / dpr - 12, 14);
    if (waveform->failed()) {
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QObject::tr("no picture of this song"));
        return;
    }
    const double done = std::clamp(waveform->progress(), 0.0, 1.0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               QObject::tr("analysing  %1 %").arg(static_cast<int>(done * 100)));
    QColor bar = accent;
    bar.setAlpha(150);
    p.fillRect(QRectF(0, (h - 2) / dpr, done * w / dpr, 2 / dpr), bar);
}

void WaveformStrip::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    const QSize device(static_cast<int>(std::round(width() * dpr)),
                       static_cast<int>(std::round(height() * dpr)));
    if (m_frame.size() != device || m_frame.devicePixelRatio() != dpr) {
        m_frame = QImage(device, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(dpr);
    }
    m_shown = wanted();
    m_painted = true;
    m_headPixel = m_shown.head;
    render(m_frame, m_waveform.get(), m_moment, m_secondsAcross, m_accent);
    QPainter(this).drawImage(QPoint(0, 0), m_frame);
}

void WaveformStrip::wheelEvent(QWheelEvent* e) {
    m_wheelRest += e->angleDelta().y();
    const int steps = m_wheelRest / 120;
    m_wheelRest -= steps * 120;
    if (steps != 0)
        emit zoomAsked(steps);
    e->accept();
}

} // namespace player
