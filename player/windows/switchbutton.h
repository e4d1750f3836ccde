#pragma once

#include <QPixmap>

#include "mainlayout.h"
#include "ui/imagebutton.h"

namespace player {

// An image button that stays lit while its switch is on: the background shows the switch off, and the button
// lays the skin's lit face over it.
class SwitchButton : public platform::ImageButton {
    Q_OBJECT
public:
    SwitchButton(mainlayout::Item item, QWidget* parent);

    bool isOn() const { return m_on; }
    // Repaints only on a change.
    void setOn(bool on);
    // The main window's scale, which its lit face is drawn at.
    void setScale(qreal scale);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    mainlayout::Item m_item;
    bool m_on = false;
    qreal m_scale = 1;
    QPixmap m_lit;
};

} // namespace player
