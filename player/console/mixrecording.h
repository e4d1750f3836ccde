#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/audioengine.h"

namespace player {

// Recording the mix from the main window: where the file goes, what it is called, what the window shows, and
// what the user is told when a recording cannot start or stops by itself.
namespace recordingrules {

using Format = platform::media::AudioEngine::RecordFormat;

// The music folder when there is one on disk, else the home folder.
QString folder(const QString& musicFolder, const QString& home);
// "Deckmora 2026-12-07 21-05-33.flac": sorts by time and says when the set was played.
QString fileName(const QDateTime& at, Format format);
// That name in `folder`; a name already taken (two starts within one second) gets " (2)", " (3)" ...
QString freePath(const QString& folder, const QDateTime& at, Format format);
// "0:07", "12:34", "1:02:03" (beside the lit REC switch): whole seconds recorded, so the text changes once a
// second.
QString elapsedText(int64_t frames, int rate);

} // namespace recordingrules

// What the window needs of the engine's recorder; tests put a fake in its place.
class Recorder {
public:
    virtual ~Recorder() = default;
    virtual bool start(const std::string& path, recordingrules::Format format, std::string* error) = 0;
    virtual void stop() = 0;
    virtual platform::media::AudioEngine::Recording state() const = 0;
    virtual int sampleRate() const = 0;
    // `listener` runs on a thread of the recorder when a recording stops by itself; null for none.
    virtual void setListener(std::function<void()> listener) = 0;
};
std::unique_ptr<Recorder> engineRecorder(platform::media::AudioEngine& engine);

// One recording at a time, on the UI thread. A recording still running when this goes is stopped, so the
// file is closed whole.
class MixRecording : public QObject {
    Q_OBJECT
public:
    explicit MixRecording(std::unique_ptr<Recorder> recorder, QObject* parent = nullptr);
    ~MixRecording() override;

    bool active() const { return m_active; }
    // Starts a file in `folder` named by `now`; a failure is told to the user, leaves it off and forgets
    // the last recording's file.
    bool start(const QString& folder, const QDateTime& now, recordingrules::Format format);
    void stop();
    // While recording, the elapsed time as the window shows it; empty otherwise.
    QString elapsed() const;
    // The file of the recording running or last made; empty before the first and after one that could not
    // start.
    QString path() const { return m_path; }

signals:
    // Started or stopped, by the user or by itself.
    void changed();

private:
    void stoppedByItself();

    std::unique_ptr<Recorder> m_recorder;
    bool m_active = false;
    QString m_path;
};

} // namespace player
