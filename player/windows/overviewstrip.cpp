#include "overviewstrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "analysis/waveform.h"
#include "core/twips.h"

namespace player {

using platform::analysis::Waveform;

namespace {
const QColor kBack(11, 12, 14);
} // namespace

OverviewStrip::OverviewStrip(QColor accent, QWidget* parent) : QWidget(parent), m_accent(accent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

OverviewStrip::~OverviewStrip() = default;

void OverviewStrip::setWaveform(std::shared_ptr<const Waveform> waveform) {
    if (waveform == m_waveform)
        return;
    m_waveform = std::move(waveform);
    m_songReady = -1;
    m_painted = false;
    update();
}

void OverviewStrip::showPosition(double seconds, double length) {
    m_position = seconds;
    m_length = length;
    if (!m_painted || wanted() != m_shown)
        update();
}

OverviewStrip::Shown OverviewStrip::wanted() const {
    Shown s;
    s.length = m_length;
    if (m_length > 0) {
        const double share = std::clamp(m_position / m_length, 0.0, 1.0);
        s.edge = static_cast<int>(std::lround(share * std::round(width() * devicePixelRatioF())));
    }
    if (m_waveform) {
        s.ready = m_waveform->ready();
        s.complete = m_waveform->complete();
    }
    return s;
}

// Each device pixel takes the loudest peak of its share of the song; the song's length is the deck's
// (the analysis may not have reached the end yet).
void OverviewStrip::drawSong(const QSize& device, qreal dpr) {
    m_song = QImage(device, QImage::Format_RGB32);
    m_song.setDevicePixelRatio(dpr);
    m_song.fill(kBack);
    m_songReady = m_waveform ? m_waveform->ready() : -1;
    m_songComplete = m_waveform && m_waveform->complete();
    m_songLength = m_length;
    const int w = device.width(), h = device.height();
    if (!m_waveform || m_length <= 0 || w <= 0 || h <= 0)
        return;
    const int ready = m_songReady;
    const double columns = std::max<double>(ready, m_length * Waveform::kColumnsPerSecond);
    const int mid = h / 2, half = std::max(1, mid - 1);
    auto* bits = reinterpret_cast<QRgb*>(m_song.bits());
    const qsizetype stride = m_song.bytesPerLine() / qsizetype(sizeof(QRgb));
    const QRgb ink = m_accent.rgb();
    for (int x = 0; x < w; ++x) {
        const long long c0 = static_cast<long long>(columns * x / w);
        if (c0 >= ready)
            break;
        const long long c1 =
            std::min<long long>(ready, std::max(c0 + 1, static_cast<long long>(columns * (x + 1) / w)));
        float peak = 0;
        for (long long c = c0; c < c1; ++c)
            peak = std::max(peak, m_waveform->column(static_cast<int>(c)).peak);
        const int reach = std::max(1, static_cast<int>(std::lround(std::clamp(peak, 0.0f, 1.0f) * half)));
        for (int y = std::max(0, mid - reach); y < std::min(h, mid + reach); ++y)
            bits[y * stride + x] = ink;
    }
    // The silence at either end, which the auto-mix skips, dimmed with a band along the foot.
    if (!m_waveform->complete())
        return;
    const platform::analysis::SongFacts facts = m_waveform->facts();
    const auto column = [&](std::optional<double> seconds, int otherwise) {
        return seconds ? std::clamp(static_cast<int>(std::lround(*seconds / m_length * w)), 0, w) : otherwise;
    };
    const int from = column(facts.audibleStartSeconds, 0), to = column(facts.audibleEndSeconds, w);
    QPainter silent(&m_song);
    silent.scale(1 / dpr, 1 / dpr);
    for (const QRect& end : {QRect(0, 0, from, h), QRect(to, 0, w - to, h)}) {
        silent.fillRect(end, QColor(0, 0, 0, 120));
        silent.fillRect(QRect(end.left(), h - std::max(1, h / 12), end.width(), std::max(1, h / 12)),
                        QColor(120, 124, 132));
    }
}

void OverviewStrip::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    const QSize device(static_cast<int>(std::round(width() * dpr)),
                       static_cast<int>(std::round(height() * dpr)));
    m_shown = wanted();
    m_painted = true;
    const int ready = m_waveform ? m_waveform->ready() : -1;
    const bool complete = m_waveform && m_waveform->complete();
    if (m_song.size() != device || m_song.devicePixelRatio() != dpr || m_songReady != ready ||
        m_songLength != m_length || m_songComplete != complete)
        drawSong(device, dpr);
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_song);
    if (m_shown.edge < 0)
        return;
    // Positions in device pixels, so the shade ends exactly at the edge the position gives.
    p.save();
    p.scale(1 / dpr, 1 / dpr);
    p.fillRect(QRect(0, 0, m_shown.edge, device.height()), QColor(0, 0, 0, 150));
    p.fillRect(QRect(std::min(m_shown.edge, device.width() - 2), 0, 2, device.height()),
               QColor(236, 238, 242));
    p.restore();
}

void OverviewStrip::mousePressEvent(QMouseEvent* e) {
    // Only the share of the width counts: pixels stand in for twips at any size.
    emit pressed(static_cast<float>(platform::pixelsToTwips(e->position().x())),
                 static_cast<float>(platform::pixelsToTwips(width())));
}

} // namespace player
