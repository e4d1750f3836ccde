#pragma once

#include <QObject>
#include <QStringList>

namespace player {

// One Deckmora per desktop session: the first start owns a name on the session bus; a later start hands its
// paths to it and ends. Without a session bus every start runs on its own, silently.
namespace desktop {

inline constexpr auto kInstanceService = "org.deckmora.Deckmora";
inline constexpr auto kInstancePath = "/org/deckmora/Deckmora";
inline constexpr auto kInstanceInterface = "org.deckmora.Deckmora";

// Whether a session bus can be reached without starting one: its address is set or the user's runtime folder
// holds its socket. (Asking the bus library otherwise may launch a daemon that outlives us.)
bool sessionBusAvailable();

// Asks a running Deckmora to add `paths` and come to the front. True when it took them: this process then
// has nothing more to do.
bool handOver(const QStringList& paths);

// The first start's side: owns the name and takes what later starts hand over.
class InstanceServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.deckmora.Deckmora")
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;
    // False when there is no session bus, or another Deckmora owns the name.
    bool listen();

public slots:
    // Called over the bus: adds `paths` to the song list and raises the window.
    Q_SCRIPTABLE void Open(const QStringList& paths);

signals:
    void openRequested(const QStringList& paths);

private:
    bool m_listening = false;
};

} // namespace desktop

} // namespace player
