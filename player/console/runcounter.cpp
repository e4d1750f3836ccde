#include "runcounter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cmath>

#include "core/numbertext.h"
#include "core/rounding.h"
#include "core/settingsstore.h"

namespace player {

namespace runcounter {

namespace {
// Beyond this a counter would be written with an exponent or lose its units digit.
constexpr double kLargest = 1e15;
} // namespace

Step next(const QString& stored) {
    if (stored.isEmpty())
        return {true, QStringLiteral("1")};
    const std::optional<double> n = platform::textToNumberStrict(stored);
    if (!n || !std::isfinite(*n) || std::fabs(*n) >= kLargest)
        return {true, QStringLiteral("1")};
    return {false, platform::numberToText(platform::roundHalfEven(*n + 1))};
}

QString appName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString read() {
    return platform::SettingsStore::read(appName(), QString::fromLatin1(kSection), QString::fromLatin1(kKey));
}

void write(const QString& value) {
    platform::SettingsStore::write(appName(), QString::fromLatin1(kSection), QString::fromLatin1(kKey),
                                   value);
}

} // namespace runcounter

} // namespace player
