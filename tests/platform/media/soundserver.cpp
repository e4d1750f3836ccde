#include "soundserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "waitfor.h"

namespace {

// Starts `argv` in a process group of its own, which dies with this process; `env` are extra NAME=value
// entries; standard output goes to `outFd` (or is dropped), standard error to `errPath`.
long spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd,
           const QString& errPath) {
    const pid_t parent = ::getpid();
    const QByteArray err = QFile::encodeName(errPath);
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
    for (const std::string& e : env)
        ::putenv(const_cast<char*>(e.c_str()));
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(outFd >= 0 ? outFd : null, 1);
    const int errFd = ::open(err.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(errFd >= 0 ? errFd : null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

// Ends the process group led by `pid`. With `leaderLast`, its members go first and the leader is left to
// finish by itself: dbus-run-session ends the bus it started only when its child ends.
void endGroup(long pid, bool leaderLast = false) {
    if (pid <= 0)
        return;
    if (leaderLast) {
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool number = false;
            const pid_t member = entry.toInt(&number);
            if (number && member != pid && ::getpgid(member) == pid)
                ::kill(member, SIGTERM);
        }
    } else {
        ::kill(-pid_t(pid), SIGTERM);
    }
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_t(pid), nullptr, WNOHANG) == pid)
            break;
        ::usleep(10000);
        if (i == 150)
            ::kill(-pid_t(pid), SIGKILL);
    }
    // What else of the group is left (a daemon slow to go) ends now.
    ::kill(-pid_t(pid), SIGKILL);
}

} // namespace

PrivateSoundServer::PrivateSoundServer(Kind kind, bool realtime) : m_kind(kind) {
    m_runtime = m_dir.filePath(QStringLiteral("run"));
    QDir().mkpath(m_runtime);
    QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const std::string home = m_dir.path().toStdString(), runtime = m_runtime.toStdString();
    std::vector<std::string> env = {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime,
                                    "XDG_CONFIG_HOME=" + home + "/config",
                                    "PULSE_RUNTIME_PATH=" + runtime + "/pulse"};
    const QString log = m_dir.filePath(QStringLiteral("server.log"));
    std::vector<std::string> argv;
    if (kind == Kind::PulseAudio) {
        const QString script = m_dir.filePath(QStringLiteral("server.pa"));
        QFile f(script);
        f.open(QIODevice::WriteOnly);
        f.write(
            QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1/pulse/native\n"
                           "load-module module-null-sink sink_name=test rate=44100\n"
                           "load-module module-null-sink sink_name=cue rate=44100\n"
                           "set-default-sink test\n")
                .arg(m_runtime)
                .toUtf8());
        f.close();
        QDir().mkpath(m_runtime + QStringLiteral("/pulse"));
        argv = {"pulseaudio",
                "-n",
                "-F",
                script.toStdString(),
                "--daemonize=no",
                "--exit-idle-time=-1",
                "--use-pid-file=no",
                realtime ? "--realtime=yes" : "--realtime=no",
                realtime ? "--high-priority=yes" : "--high-priority=no",
                "--log-target=stderr"};
    } else {
        // Each daemon ends with the shell that started it, which waits for them, and the shell with
        // dbus-run-session, which then ends its bus.
        const QString script = m_dir.filePath(QStringLiteral("server.sh"));
        QFile f(script);
        f.open(QIODevice::WriteOnly);
        f.write("trap 'kill $(jobs -p) 2>/dev/null; wait; exit 0' TERM\n"
                "setpriv --pdeathsig TERM pipewire &\n"
                "setpriv --pdeathsig TERM wireplumber &\n"
                "setpriv --pdeathsig TERM pipewire-pulse &\n"
                "wait\n");
        f.close();
        argv = {"dbus-run-session", "--", "setpriv", "--pdeathsig", "TERM", "sh", script.toStdString()};
    }
    m_pid = spawn(argv, env, -1, log);
    ::setenv("PULSE_SERVER", address().toLocal8Bit().constData(), 1);
    // The server answers once its socket takes clients.
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        up = run(QStringLiteral("pactl"), {QStringLiteral("info")}, 2000) == 0;
        if (!up)
            ::usleep(50000);
    }
    if (up && kind == Kind::PipeWire) {
        up = run(QStringLiteral("pactl"), {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                           QStringLiteral("sink_name=test"), QStringLiteral("rate=44100")}) ==
                 0 &&
             run(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"), QStringLiteral("test")}) == 0;
    }
    if (!up) {
        QFile f(log);
        f.open(QIODevice::ReadOnly);
        m_failure = QStringLiteral("the private sound server did not come up: ") +
                    QString::fromLocal8Bit(f.readAll());
    }
}

PrivateSoundServer::~PrivateSoundServer() {
    ::unsetenv("PULSE_SERVER");
    endGroup(m_pid, m_kind == Kind::PipeWire);
}

void PrivateSoundServer::freeze(bool on) const {
    if (m_pid > 0)
        ::kill(-pid_t(m_pid), on ? SIGSTOP : SIGCONT);
}

int PrivateSoundServer::run(const QString& program, const QStringList& args, int timeoutMs) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), address());
    env.insert(QStringLiteral("HOME"), home());
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

MonitorRecorder::MonitorRecorder(const PrivateSoundServer& server, int rate, const char* source, int channels)
    : m_channels(channels) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    const std::string address = "PULSE_SERVER=" + server.address().toStdString();
    const std::string home = "HOME=" + server.home().toStdString();
    std::vector<std::string> argv = {"parec",
                                     "-d",
                                     source,
                                     "--raw",
                                     "--format=float32le",
                                     "--channels=" + std::to_string(channels),
                                     "--rate=" + std::to_string(rate),
                                     "--latency-msec=10"};
    if (channels == 4)
        argv.push_back("--channel-map=front-left,front-right,rear-left,rear-right");
    const QString log = QStringLiteral("/parec-%1-%2.log").arg(QString::fromLatin1(source)).arg(channels);
    m_pid = spawn(argv, {address, home}, fds[1], server.home() + log);
    ::close(fds[1]);
    m_fd = fds[0];
    m_reader = std::thread([this] { readLoop(); });
}

MonitorRecorder::~MonitorRecorder() {
    finish();
}

void MonitorRecorder::readLoop() {
    std::vector<char> buf(16384);
    std::vector<char> carry;
    for (;;) {
        const ssize_t n = ::read(m_fd, buf.data(), buf.size());
        if (n <= 0)
            return;
        carry.insert(carry.end(), buf.begin(), buf.begin() + n);
        const size_t whole = carry.size() / sizeof(float) * sizeof(float);
        std::lock_guard lk(m_mutex);
        const size_t at = m_samples.size();
        m_samples.resize(at + whole / sizeof(float));
        std::memcpy(m_samples.data() + at, carry.data(), whole);
        carry.erase(carry.begin(), carry.begin() + long(whole));
        m_arrivals.emplace_back(std::chrono::steady_clock::now(), m_samples.size() / size_t(m_channels));
    }
}

bool MonitorRecorder::waitForFrames(size_t frames, int timeoutMs) const {
    return waitFor(
        [&] {
            std::lock_guard lk(m_mutex);
            return m_samples.size() / size_t(m_channels) >= frames;
        },
        std::chrono::milliseconds(timeoutMs));
}

size_t MonitorRecorder::frameAt(std::chrono::steady_clock::time_point t) const {
    std::lock_guard lk(m_mutex);
    // Every piece that arrived by `t` was captured before it: a lower bound, so that a delay measured from
    // here is never shorter than the real one.
    size_t at = 0;
    for (const auto& [when, frames] : m_arrivals)
        if (when <= t)
            at = frames;
    return at;
}

std::vector<float> MonitorRecorder::finish() {
    if (m_pid > 0) {
        endGroup(m_pid);
        m_pid = -1;
    }
    if (m_reader.joinable())
        m_reader.join();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    std::lock_guard lk(m_mutex);
    return m_samples;
}
