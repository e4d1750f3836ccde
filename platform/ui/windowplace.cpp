#include "ui/windowplace.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPoint>
#include <QWidget>

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
            m_place = w->pos();
            m_known = true;
        } else if (e->type() == QEvent::Show && !e->spontaneous() && m_known) {
            // Asking for the place explicitly makes the window system honour it when it maps the window.
            w->move(m_place);
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
