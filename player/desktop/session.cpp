#include "session.h"

#include "console/songintake.h"
#include "instance.h"
#include "mpris.h"
#include "windows/mainwindow.h"

namespace player {

namespace desktop {

Session::Session(InstanceServer& server, QObject* parent) : QObject(parent) {
    connect(&server, &InstanceServer::openRequested, this, &Session::handOverReceived);
}

Session::~Session() = default;

void Session::open(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    if (m_window)
        m_window->intake()->add(paths);
    else
        m_pending += paths;
}

void Session::attach(MainWindow& window) {
    m_window = &window;
    m_mpris = std::make_unique<Mpris>(window);
    m_mpris->publish();
    open(std::exchange(m_pending, {}));
}

// Until loading is over there is no window to raise: the splash is in front already.
void Session::handOverReceived(const QStringList& paths) {
    open(paths);
    if (m_window)
        m_window->bringToFront();
}

} // namespace desktop

} // namespace player
