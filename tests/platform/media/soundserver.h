#pragma once

#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// A sound server of the test's own: its own runtime folder, null sinks called "test" (the default) and "cue"
// (PulseAudio only), no session bus of
// the user's. While it lives, this process's PULSE_SERVER points at it; it ends with the object (or with the
// test program, should that die first).
class PrivateSoundServer {
public:
    enum class Kind { PulseAudio, PipeWire };
    // `realtime`: the server schedules itself as a desktop's does (real-time where the system grants it).
    explicit PrivateSoundServer(Kind kind, bool realtime = false);
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Empty when the server answers; else why not.
    QString failure() const { return m_failure; }
    QString address() const { return QStringLiteral("unix:") + m_runtime + QStringLiteral("/pulse/native"); }
    QString home() const { return m_dir.path(); }
    // Stops every process of the server (SIGSTOP), as a wedged server would be, or lets them go on.
    void freeze(bool on) const;
    // Runs a client tool of the server (pactl, parec) against it; its exit status, -1 when it did not run.
    int run(const QString& program, const QStringList& args, int timeoutMs = 5000) const;

private:
    QTemporaryDir m_dir;
    QString m_runtime;
    QString m_failure;
    Kind m_kind;
    long m_pid = -1; // leader of the server's process group
};

// Records a null sink's monitor (`source`) with parec, as 32-bit float at `rate` (stereo, or the four
// channels front-left, front-right, rear-left, rear-right), and notes when each piece arrived, so that a
// moment of this process can be found in the recording.
class MonitorRecorder {
public:
    MonitorRecorder(const PrivateSoundServer& server, int rate, const char* source = "test.monitor",
                    int channels = 2);
    ~MonitorRecorder();
    // Blocks until at least `frames` frames arrived or `timeoutMs` passed.
    bool waitForFrames(size_t frames, int timeoutMs) const;
    // The frame of the recording that was being captured at `t`, or an earlier one.
    size_t frameAt(std::chrono::steady_clock::time_point t) const;
    // The interleaved samples so far.
    std::vector<float> snapshot() const {
        std::lock_guard lk(m_mutex);
        return m_samples;
    }
    // Stops parec and returns the interleaved samples.
    std::vector<float> finish();

private:
    void readLoop();
    int m_channels;
    long m_pid = -1;
    int m_fd = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::vector<float> m_samples;
    std::vector<std::pair<std::chrono::steady_clock::time_point, size_t>> m_arrivals;
};
