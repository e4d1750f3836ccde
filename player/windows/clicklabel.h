#pragma once

#include <QLabel>

namespace player {

// A label that reports presses and clicks, for the main window's caption (the drag handle) and its search
// label.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    // Any button, with its code (left 1, right 2, middle 4), the shift state and the position in pixels.
    void mouseDown(short button, short shift, int x, int y);
    // A left press released over the label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool m_pressed = false;
};

} // namespace player
