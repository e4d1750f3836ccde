#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace platform {

// Stops a top-level window's painting while it is shown but nobody can see it: minimised, or (on X11) wholly
// covered by other windows. Timers and setters go on as usual, so whatever state the window keeps is exactly
// what it would have been; only the pixels wait, and the window is repainted whole when it can be seen again.
class VisibilityGate : public QObject {
    Q_OBJECT
public:
    explicit VisibilityGate(QWidget* window);
    ~VisibilityGate() override;

    // Shown, yet out of sight: the window paints nothing. A window never shown is not hidden in this sense
    // (it paints nothing anyway, and its widgets keep their places).
    bool hidden() const { return m_hidden; }
    // What the window system says of coverage; called by the X11 watcher, and by tests.
    void setCovered(bool covered);

signals:
    void hiddenChanged(bool hidden);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reconsider();
    void watchCoverage();

    QPointer<QWidget> m_window;
    bool m_covered = false;
    bool m_hidden = false;
    bool m_watching = false;
};

} // namespace platform
