#include "djrules.h"

#include <algorithm>
#include <cmath>

#include "core/settingsstore.h"
#include "runcounter.h"

namespace player {

namespace djrules {

namespace {
const QString kSection = QStringLiteral("View");
const QString kOpenKey = QStringLiteral("DJ");
const QString kZoomKey = QStringLiteral("Zoom");
// Steps add up to the hold's length only roughly: a few rounding errors are no time at all.
constexpr double kSlack = 1e-9;

// "m:ss.t" of a whole number of tenths.
QString clock(long long tenths) {
    const long long seconds = tenths / 10;
    return QStringLiteral("%1:%2.%3")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

long long tenthsOf(double seconds, bool up) {
    if (!(seconds > 0) || !std::isfinite(seconds))
        return 0;
    // A hair's slack, so 12.3 seconds read as 12.3 whichever way they were reached.
    const double t = seconds * 10;
    return static_cast<long long>(up ? std::ceil(t - 1e-6) : std::floor(t + 1e-6));
}
} // namespace

double heardPosition(double position, double latency, bool playing, double tempo) {
    if (!playing || !(latency > 0))
        return position;
    // A deck at 1.1 moves 1.1 of its seconds while its sound travels.
    return std::max(0.0, position - latency * (tempo > 0 && std::isfinite(tempo) ? tempo : 1.0));
}

double zoomed(double seconds, int steps) {
    size_t nearest = std::find(kZoomLadder.begin(), kZoomLadder.end(), kDefaultZoom) - kZoomLadder.begin();
    if (std::isfinite(seconds))
        for (size_t i = 0; i < kZoomLadder.size(); ++i)
            if (std::fabs(kZoomLadder[i] - seconds) < std::fabs(kZoomLadder[nearest] - seconds))
                nearest = i;
    const long long to = std::clamp<long long>(static_cast<long long>(nearest) - steps, 0,
                                               static_cast<long long>(kZoomLadder.size()) - 1);
    return kZoomLadder[static_cast<size_t>(to)];
}

QString playedText(double seconds) {
    return clock(tenthsOf(seconds, false));
}

QString leftText(double seconds) {
    return QLatin1Char('-') + clock(tenthsOf(seconds, true));
}

QString levelText(std::optional<double> db) {
    if (!db || !std::isfinite(*db))
        return {};
    // One decimal, and a gain that rounds to nothing reads as 0.0 without a sign.
    const double shown = std::round(*db * 10) / 10;
    const QString number = QString::number(std::abs(shown), 'f', 1);
    const QString sign = shown > 0 ? QStringLiteral("+") : shown < 0 ? QStringLiteral("\u2212") : QString();
    return QStringLiteral("level ") + sign + number + QStringLiteral(" dB");
}

bool leftIsWarning(double left, bool hasSong) {
    return hasSong && left < kWarnSeconds;
}

double MeterBallistics::fraction(float magnitude) {
    if (!(magnitude > 0))
        return 0;
    const double db = 20 * std::log10(static_cast<double>(magnitude));
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

void MeterBallistics::step(float left, float right, bool clipped, double seconds) {
    const double dt = seconds > 0 ? seconds : 0;
    const double fall = kFallPerSecond * dt;
    const float reading[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
        Channel& ch = m_channel[c];
        const double target = fraction(reading[c]);
        ch.level = std::max(target, std::max(0.0, ch.level - fall));
        if (target >= ch.hold && target > 0) {
            ch.hold = target;
            ch.holdLeft = kHoldSeconds;
        } else {
            // The part of the step beyond the hold's end is spent falling.
            const double falling = std::max(0.0, dt - ch.holdLeft);
            ch.holdLeft = std::max(0.0, ch.holdLeft - dt);
            if (falling > kSlack)
                ch.hold = std::max(ch.level, ch.hold - kFallPerSecond * falling);
        }
    }
    m_clipLeft = clipped ? kClipSeconds : std::max(0.0, m_clipLeft - dt);
}

bool MeterBallistics::atRest() const {
    for (const Channel& ch : m_channel)
        if (ch.level > 0 || ch.hold > 0)
            return false;
    return m_clipLeft <= 0;
}

ViewChoice loadViewChoice() {
    const QString app = runcounter::appName();
    ViewChoice c;
    c.open = platform::SettingsStore::read(app, kSection, kOpenKey) == QLatin1String("1");
    bool ok = false;
    const double zoom = platform::SettingsStore::read(app, kSection, kZoomKey).toDouble(&ok);
    if (ok)
        c.zoom = zoomed(zoom, 0);
    return c;
}

bool saveViewChoice(const ViewChoice& choice) {
    const QString app = runcounter::appName();
    return platform::SettingsStore::write(app, kSection, kOpenKey,
                                          choice.open ? QStringLiteral("1") : QStringLiteral("0")) &&
           platform::SettingsStore::write(app, kSection, kZoomKey, QString::number(choice.zoom));
}

} // namespace djrules

} // namespace player
