#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

namespace player {

class MainWindow;

namespace desktop {

class InstanceServer;
class Mpris;

// The program's place on the desktop: paths from the command line and from later starts reach the song list
// once the main window is up, and the remote control is published with it.
class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(InstanceServer& server, QObject* parent = nullptr);
    ~Session() override;

    // Adds `paths` to the song list, now or as soon as the main window is up.
    void open(const QStringList& paths);
    // The main window is up.
    void attach(MainWindow& window);
    Mpris* mpris() const { return m_mpris.get(); }

private:
    void handOverReceived(const QStringList& paths);

    QPointer<MainWindow> m_window;
    QStringList m_pending;
    std::unique_ptr<Mpris> m_mpris;
};

} // namespace desktop

} // namespace player
