#include "mixrecording.h"

#include <QDir>
#include <QFileInfo>

#include "ui/prompts.h"

namespace player {

using platform::media::AudioEngine;

namespace recordingrules {

QString folder(const QString& musicFolder, const QString& home) {
    if (!musicFolder.isEmpty() && QFileInfo(musicFolder).isDir())
        return musicFolder;
    return home;
}

QString fileName(const QDateTime& at, Format format) {
    return QStringLiteral("Deckmora %1.%2")
        .arg(at.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")),
             format == Format::Wav ? QStringLiteral("wav") : QStringLiteral("flac"));
}

QString freePath(const QString& folder, const QDateTime& at, Format format) {
    const QDir dir(folder);
    const QString name = fileName(at, format);
    QString path = dir.filePath(name);
    const QFileInfo info(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path =
            dir.filePath(QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    return path;
}

QString elapsedText(int64_t frames, int rate) {
    const int64_t s = rate > 0 ? frames / rate : 0;
    const auto two = [](int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(two(s / 60 % 60), two(s % 60));
    return QStringLiteral("%1:%2").arg(s / 60).arg(two(s % 60));
}

} // namespace recordingrules

namespace {

const QString kTitle = QStringLiteral("Deckmora");

class EngineRecorder : public Recorder {
public:
    explicit EngineRecorder(AudioEngine& engine) : m_engine(engine) {}
    bool start(const std::string& path, recordingrules::Format format, std::string* error) override {
        return m_engine.startRecording(path, format, error);
    }
    void stop() override { m_engine.stopRecording(); }
    AudioEngine::Recording state() const override { return m_engine.recording(); }
    int sampleRate() const override { return m_engine.sampleRate(); }
    void setListener(std::function<void()> listener) override {
        m_engine.setRecordingListener(std::move(listener));
    }

private:
    AudioEngine& m_engine;
};

// The engine's reasons are sentences; the notice goes on after them.
QString reason(const std::string& error) {
    QString r = QString::fromStdString(error).trimmed();
    while (r.endsWith(QLatin1Char('.')))
        r.chop(1);
    return r;
}

} // namespace

std::unique_ptr<Recorder> engineRecorder(AudioEngine& engine) {
    return std::make_unique<EngineRecorder>(engine);
}

// The recorder tells from its own thread; the window learns on its own, and only of the recording it
// believes is running.
MixRecording::MixRecording(std::unique_ptr<Recorder> recorder, QObject* parent)
    : QObject(parent), m_recorder(std::move(recorder)) {
    m_recorder->setListener([this] {
        QMetaObject::invokeMethod(
            this, [this] { stoppedByItself(); }, Qt::QueuedConnection);
    });
}

MixRecording::~MixRecording() {
    m_recorder->setListener(nullptr);
    if (m_active)
        m_recorder->stop();
}

bool MixRecording::start(const QString& folder, const QDateTime& now, recordingrules::Format format) {
    if (m_active)
        return true;
    const QString path = recordingrules::freePath(folder, now, format);
    std::string error;
    if (!m_recorder->start(QDir::toNativeSeparators(path).toStdString(), format, &error)) {
        // "saved" beside the switch would now speak of an older file than the one the user just asked for.
        if (!m_path.isEmpty()) {
            m_path.clear();
            emit changed();
        }
        const QString why = reason(error);
        platform::notice(QStringLiteral("The recording could not start. %1.\r\n%2")
                             .arg(why.isEmpty() ? QStringLiteral("the file cannot be made") : why, path),
                         kTitle);
        return false;
    }
    m_active = true;
    m_path = path;
    emit changed();
    return true;
}

void MixRecording::stop() {
    if (!m_active)
        return;
    m_recorder->stop();
    m_active = false;
    emit changed();
}

QString MixRecording::elapsed() const {
    if (!m_active)
        return {};
    return recordingrules::elapsedText(m_recorder->state().frames, m_recorder->sampleRate());
}

void MixRecording::stoppedByItself() {
    if (!m_active)
        return;
    const AudioEngine::Recording r = m_recorder->state();
    if (r.active)
        return;
    m_active = false;
    emit changed();
    const QString why = reason(r.error);
    QString text = QStringLiteral("The recording stopped.");
    if (!why.isEmpty())
        text += QLatin1Char(' ') + why + QLatin1Char('.');
    // A folder removed under the recording took the file with it; there is nothing to point to.
    if (QFileInfo::exists(m_path))
        text += QStringLiteral("\r\nThe file holds everything recorded until then: ") + m_path;
    platform::notice(text, kTitle);
}

} // namespace player
