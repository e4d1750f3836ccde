#include "windowsize.h"

#include <algorithm>

#include "core/settingsstore.h"
#include "runcounter.h"

namespace player::windowsize {

int larger(int percent) {
    const auto it = std::upper_bound(kSteps.begin(), kSteps.end(), percent);
    return it == kSteps.end() ? kSteps.back() : *it;
}

int smaller(int percent) {
    const auto it = std::lower_bound(kSteps.begin(), kSteps.end(), percent);
    return it == kSteps.begin() ? kSteps.front() : *(it - 1);
}

int step(int percent) {
    return std::find(kSteps.begin(), kSteps.end(), percent) != kSteps.end() ? percent : kDesign;
}

int fromText(const QString& stored) {
    bool ok = false;
    const int percent = stored.trimmed().toInt(&ok);
    return ok ? step(percent) : kDesign;
}

int read() {
    return fromText(platform::SettingsStore::read(runcounter::appName(), QString::fromLatin1(kSection),
                                                  QString::fromLatin1(kKey)));
}

bool write(int percent) {
    return platform::SettingsStore::write(runcounter::appName(), QString::fromLatin1(kSection),
                                          QString::fromLatin1(kKey), QString::number(percent));
}

} // namespace player::windowsize
