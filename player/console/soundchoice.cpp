#include "soundchoice.h"

#include <QDir>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>

#include "core/settingsstore.h"
#include "mixrecording.h"
#include "runcounter.h"

namespace player {

namespace soundchoice {

using platform::media::AudioEngine;

namespace {

const QString kSection = QStringLiteral("Sound");
const QString kDeviceKey = QStringLiteral("Device");
const QString kLatencyKey = QStringLiteral("Latency");
const QString kCueRoutingKey = QStringLiteral("CueRouting");
const QString kCueDeviceKey = QStringLiteral("CueDevice");
const QString kCueBalanceKey = QStringLiteral("CueBalance");
const QString kRecordFormatKey = QStringLiteral("RecordFormat");
const QString kRecordFolderKey = QStringLiteral("RecordFolder");

using Routing = AudioEngine::CueRouting;
struct RoutingName {
    Routing routing;
    const char* name;
};
constexpr RoutingName kRoutingNames[] = {
    {Routing::Off, "Off"},
    {Routing::Device, "Device"},
    {Routing::Channels34, "Channels34"},
    {Routing::Split, "Split"},
};

void printList(const std::vector<AudioEngine::DeviceInfo>& devices, const std::string& inUse,
               QTextStream& to) {
    // The one in use: the chosen device when it is there, else the start order's pick.
    const AudioEngine::DeviceInfo* chosen = inUse.empty() ? nullptr : AudioEngine::findDevice(devices, inUse);
    for (const auto& d : devices) {
        const bool mark = chosen ? &d == chosen : d.isDefault;
        to << (mark ? "* " : "  ") << QString::fromStdString(d.id) << "  ("
           << QString::fromStdString(d.description) << ")\n";
    }
    if (devices.empty())
        to << "  (none: playing without sound)\n";
    to.flush();
}

} // namespace

Choice load() {
    Choice c;
    c.device = platform::SettingsStore::read(runcounter::appName(), kSection, kDeviceKey);
    bool ok = false;
    const int latency =
        platform::SettingsStore::read(runcounter::appName(), kSection, kLatencyKey).toInt(&ok);
    if (ok)
        c.latencyMs = std::clamp(latency, kMinLatencyMs, kMaxLatencyMs);
    return c;
}

bool save(const Choice& choice) {
    const QString app = runcounter::appName();
    return platform::SettingsStore::write(app, kSection, kDeviceKey, choice.device) &&
           platform::SettingsStore::write(app, kSection, kLatencyKey, QString::number(choice.latencyMs));
}

CueChoice loadCue() {
    const QString app = runcounter::appName();
    CueChoice c;
    const QString routing = platform::SettingsStore::read(app, kSection, kCueRoutingKey);
    for (const RoutingName& r : kRoutingNames)
        if (routing.compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0)
            c.routing = r.routing;
    c.device = platform::SettingsStore::read(app, kSection, kCueDeviceKey);
    bool ok = false;
    const int balance = platform::SettingsStore::read(app, kSection, kCueBalanceKey).toInt(&ok);
    if (ok)
        c.balance = std::clamp(balance, 0, kMaxCueBalance);
    return c;
}

bool saveCue(const CueChoice& choice) {
    const QString app = runcounter::appName();
    QString routing;
    for (const RoutingName& r : kRoutingNames)
        if (r.routing == choice.routing)
            routing = QLatin1String(r.name);
    return platform::SettingsStore::write(app, kSection, kCueRoutingKey, routing) &&
           platform::SettingsStore::write(app, kSection, kCueDeviceKey, choice.device) &&
           platform::SettingsStore::write(app, kSection, kCueBalanceKey, QString::number(choice.balance));
}

AudioEngine::CueOptions cueOptions(const CueChoice& choice) {
    AudioEngine::CueOptions o;
    o.routing = choice.routing;
    // Only the second-device routing has a device of its own.
    if (choice.routing == Routing::Device)
        o.device = choice.device.toStdString();
    o.balance = static_cast<float>(std::clamp(choice.balance, 0, kMaxCueBalance)) / kMaxCueBalance;
    return o;
}

AudioEngine::RecordFormat loadRecordFormat() {
    const QString f = platform::SettingsStore::read(runcounter::appName(), kSection, kRecordFormatKey);
    return f.compare(QLatin1String("WAV"), Qt::CaseInsensitive) == 0 ? AudioEngine::RecordFormat::Wav
                                                                     : AudioEngine::RecordFormat::Flac;
}

bool saveRecordFormat(AudioEngine::RecordFormat format) {
    return platform::SettingsStore::write(runcounter::appName(), kSection, kRecordFormatKey,
                                          format == AudioEngine::RecordFormat::Wav ? QStringLiteral("WAV")
                                                                                   : QStringLiteral("FLAC"));
}

QString loadRecordFolder() {
    return platform::SettingsStore::read(runcounter::appName(), kSection, kRecordFolderKey);
}

bool saveRecordFolder(const QString& folder) {
    return platform::SettingsStore::write(runcounter::appName(), kSection, kRecordFolderKey, folder);
}

QString defaultRecordFolder() {
    return recordingrules::folder(QStandardPaths::writableLocation(QStandardPaths::MusicLocation),
                                  QDir::homePath());
}

QString recordFolder() {
    const QString chosen = loadRecordFolder();
    return chosen.isEmpty() ? defaultRecordFolder() : chosen;
}

FaderChoice loadFaders() {
    const QString app = runcounter::appName();
    auto is = [&](const QString& key, const char* word) {
        return platform::SettingsStore::read(app, kSection, key)
                   .compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    FaderChoice c;
    if (is(QStringLiteral("Faders"), "DjMixer"))
        c.faders = mixrules::Faders::DjMixer;
    if (is(QStringLiteral("Crossfader"), "Cut"))
        c.curve = mixrules::CrossfadeCurve::Cut;
    return c;
}

bool saveFaders(const FaderChoice& choice) {
    const QString app = runcounter::appName();
    const bool dj = choice.faders == mixrules::Faders::DjMixer;
    const bool cut = choice.curve == mixrules::CrossfadeCurve::Cut;
    return platform::SettingsStore::write(app, kSection, QStringLiteral("Faders"),
                                          dj ? QStringLiteral("DjMixer") : QStringLiteral("AsWritten")) &&
           platform::SettingsStore::write(app, kSection, QStringLiteral("Crossfader"),
                                          cut ? QStringLiteral("Cut") : QStringLiteral("EqualPower"));
}

AudioEngine::KeyLockEngine loadKeyLock() {
    const QString word =
        platform::SettingsStore::read(runcounter::appName(), kSection, QStringLiteral("KeyLock"));
    return word.compare(QLatin1String("Fine"), Qt::CaseInsensitive) == 0 ? AudioEngine::KeyLockEngine::Fine
                                                                         : AudioEngine::KeyLockEngine::Light;
}

bool saveKeyLock(AudioEngine::KeyLockEngine engine) {
    return platform::SettingsStore::write(
        runcounter::appName(), kSection, QStringLiteral("KeyLock"),
        engine == AudioEngine::KeyLockEngine::Fine ? QStringLiteral("Fine") : QStringLiteral("Light"));
}

automix::Settings loadAutoMix() {
    const QString app = runcounter::appName();
    auto read = [&](const char* key) {
        return platform::SettingsStore::read(app, kSection, QLatin1String(key));
    };
    auto number = [&](const char* key, double otherwise) {
        bool ok = false;
        const double v = read(key).toDouble(&ok);
        return ok ? v : otherwise;
    };
    automix::Settings s;
    if (read("Transition").compare(QLatin1String("Crossfade"), Qt::CaseInsensitive) == 0)
        s.transition = automix::Transition::Crossfade;
    s.fadeSeconds = number("FadeSeconds", automix::kFadeDefaultSeconds);
    s.levelSongs = read("LevelSongs").trimmed() == QLatin1String("1");
    s.targetLufs = number("TargetLufs", automix::kTargetDefaultLufs);
    return automix::held(s);
}

bool saveAutoMix(const automix::Settings& settings) {
    const QString app = runcounter::appName();
    const automix::Settings s = automix::held(settings);
    auto write = [&](const char* key, const QString& value) {
        return platform::SettingsStore::write(app, kSection, QLatin1String(key), value);
    };
    const bool crossfade = s.transition == automix::Transition::Crossfade;
    return write("Transition", crossfade ? QStringLiteral("Crossfade") : QStringLiteral("Cut")) &&
           write("FadeSeconds", QString::number(s.fadeSeconds)) &&
           write("LevelSongs", s.levelSongs ? QStringLiteral("1") : QStringLiteral("0")) &&
           write("TargetLufs", QString::number(s.targetLufs));
}

void applyTo(const Choice& choice, platform::media::EngineOptions& options) {
    options.device = choice.device.toStdString();
    options.latencyMs = choice.latencyMs;
}

std::optional<int> applyArguments(const QStringList& args, platform::media::EngineOptions& options,
                                  const std::function<std::vector<AudioEngine::DeviceInfo>()>& list,
                                  QTextStream& out, QTextStream& err) {
    const qsizetype at = args.indexOf(QStringLiteral("--device"));
    if (at >= 0) {
        if (at + 1 >= args.size()) {
            err << "deckmora: --device needs the name of a device (see --list-devices)\n";
            err.flush();
            return 2;
        }
        const std::string name = args[at + 1].toStdString();
        const auto devices = list();
        const AudioEngine::DeviceInfo* found = AudioEngine::findDevice(devices, name);
        if (!found) {
            err << "deckmora: there is no sound device called \"" << args[at + 1]
                << "\"; these are the devices:\n";
            printList(devices, options.device, err);
            return 2;
        }
        options.device = found->id;
    }
    if (args.contains(QStringLiteral("--list-devices"))) {
        printList(list(), options.device, out);
        return 0;
    }
    return std::nullopt;
}

Notice notice(const AudioEngine::Status& status, bool cueUnheard) {
    const QString device = QString::fromStdString(status.device);
    const QString missing = QString::fromStdString(status.missing);
    if (status.opening)
        return {};
    if (!status.sound)
        return {
            QStringLiteral("no sound device"),
            device.isEmpty()
                ? QStringLiteral("No sound device answers: playing on without sound, and trying "
                                 "again. F2 chooses a device.")
                : QStringLiteral("%1 stopped: playing on without sound until it answers again.").arg(device)};
    if (!missing.isEmpty())
        return {QStringLiteral("%1 is gone: default device").arg(missing),
                QStringLiteral("The chosen sound device %1 is not there; playing on %2. F2 chooses another.")
                    .arg(missing, device)};
    if (status.cueOnTwoChannels)
        return {QStringLiteral("no channels 3-4"),
                QStringLiteral("%1 has two channels: the headphones on channels 3-4 hear nothing. F2 chooses "
                               "another way to the headphones.")
                    .arg(device)};
    if (cueUnheard)
        return {QStringLiteral("no headphones"),
                QStringLiteral(
                    "A deck is on the headphones, but no headphone output is chosen. F2 chooses one.")};
    return {};
}

} // namespace soundchoice

} // namespace player
