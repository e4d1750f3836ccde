#include "ui/visibilitygate.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <cstdlib>

#ifdef DECKMORA_HAVE_XCB
#include <QAbstractNativeEventFilter>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace platform {

#ifdef DECKMORA_HAVE_XCB
namespace {

// X11 tells a window how much of it is covered only when the window asks for visibility events; Qt does not
// ask, so the gate adds the request to the window's own event mask and listens beside Qt.
class CoverageWatcher : public QAbstractNativeEventFilter {
public:
    static CoverageWatcher& instance() {
        static CoverageWatcher* w = [] {
            auto* watcher = new CoverageWatcher;
            QCoreApplication::instance()->installNativeEventFilter(watcher);
            return watcher;
        }();
        return *w;
    }

    void watch(xcb_connection_t* c, xcb_window_t window, VisibilityGate* gate) {
        const xcb_get_window_attributes_cookie_t cookie = xcb_get_window_attributes(c, window);
        xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(c, cookie, nullptr);
        if (!reply)
            return;
        const uint32_t mask = reply->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
        std::free(reply);
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        m_gates.insert(window, gate);
    }
    void forget(VisibilityGate* gate) {
        for (auto it = m_gates.begin(); it != m_gates.end();)
            it = it.value() == gate ? m_gates.erase(it) : std::next(it);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_VISIBILITY_NOTIFY)
            return false;
        auto* v = reinterpret_cast<xcb_visibility_notify_event_t*>(event);
        if (VisibilityGate* gate = m_gates.value(v->window))
            gate->setCovered(v->state == XCB_VISIBILITY_FULLY_OBSCURED);
        return false;
    }

private:
    QHash<xcb_window_t, VisibilityGate*> m_gates;
};

} // namespace
#endif

VisibilityGate::VisibilityGate(QWidget* window) : QObject(window), m_window(window) {
    window->installEventFilter(this);
}

VisibilityGate::~VisibilityGate() {
#ifdef DECKMORA_HAVE_XCB
    if (m_watching)
        CoverageWatcher::instance().forget(this);
#endif
}

void VisibilityGate::setCovered(bool covered) {
    m_covered = covered;
    reconsider();
}

bool VisibilityGate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            watchCoverage();
            reconsider();
            break;
        case QEvent::Hide:
            m_covered = false;
            reconsider();
            break;
        case QEvent::WindowStateChange:
            reconsider();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

// Re-enabling updates repaints the whole window once, which also brings back whatever moved while hidden.
void VisibilityGate::reconsider() {
    if (!m_window)
        return;
    const bool hidden = m_window->isVisible() && (m_window->isMinimized() || m_covered);
    if (hidden == m_hidden)
        return;
    m_hidden = hidden;
    m_window->setUpdatesEnabled(!hidden);
    emit hiddenChanged(hidden);
}

void VisibilityGate::watchCoverage() {
#ifdef DECKMORA_HAVE_XCB
    if (m_watching || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    CoverageWatcher::instance().watch(x11->connection(), static_cast<xcb_window_t>(m_window->winId()), this);
    m_watching = true;
#endif
}

} // namespace platform
