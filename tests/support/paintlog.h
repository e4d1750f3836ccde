#pragma once

#include <QEvent>
#include <QList>
#include <QPaintEvent>
#include <QWidget>
#include <functional>

// For every paint event a widget receives, records what `look` sees just before the widget paints: the value
// it is about to show, the region it repaints.
template <class T> class PaintLog : public QObject {
public:
    PaintLog(QWidget* w, std::function<T(const QPaintEvent&)> look) : m_look(std::move(look)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            seen << m_look(*static_cast<QPaintEvent*>(e));
        return false;
    }
    QList<T> seen;

private:
    std::function<T(const QPaintEvent&)> m_look;
};
