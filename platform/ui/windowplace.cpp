#include "ui/windowplace.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPoint>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

// Icon, minimise, maximise and close buttons and the bar's margins of the usual window managers' themes.
constexpr int kTitleBarButtonsPixels = 100;

class PlaceKeeper : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* w = static_cast<QWidget*>(watched);
        // Spontaneous hides and shows are the window system's (minimising, another desktop): it keeps the
        // place itself.
        if (e->type() == QEvent::Hide && !e->spontaneous()) {
            // The client area's place: the frame's size may not be known yet, so the frame's place is not
            // sure.
            m_place = w->geometry().topLeft();
            m_known = true;
        } else if (e->type() == QEvent::Show && !e->spontaneous() && m_known) {
            // Asking for the place explicitly makes the window system honour it when it maps the window. A
            // plain move() to where the window already is asks for nothing.
            if (QWindow* handle = w->windowHandle())
                handle->setPosition(m_place);
            else
                w->setGeometry(QRect(m_place, w->size()));
        }
        return false;
    }

private:
    QPoint m_place;
    bool m_known = false;
};

} // namespace

void keepPlace(QWidget* window) {
    window->installEventFilter(new PlaceKeeper(window));
}

int titleBarWidth(const QString& title) {
    QFont f = QApplication::font();
    f.setBold(true);
    return QFontMetrics(f).horizontalAdvance(title) + kTitleBarButtonsPixels;
}

} // namespace platform
