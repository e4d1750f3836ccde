#pragma once

#include <QWidget>

namespace platform {

// A transparent clickable area laid over a painted background; it draws nothing but a faint highlight while
// the pointer is over it, so the painted word beneath is the button.
class ImageButton : public QWidget {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

signals:
    void clicked();
    // Any button pressed, with its code (left 1, right 2, middle 4), the shift state and the position in
    // pixels.
    void mouseDown(short button, short shift, int x, int y);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    bool m_hover = false;
    bool m_pressed = false;
};

} // namespace platform
