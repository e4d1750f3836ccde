#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <QWidget>

#include "console/knobrules.h"

namespace player {

// A rotary knob painted in the skin's colours: -1 .. 1, centre 0, an arc from the top to the value in its
// deck's colour. A vertical drag or the wheel turns it (resting on the centre as it passes), a double-click
// centres it; each turn by the user is told by turned(), never a value set from outside. Its tooltip names
// it, says where it stands and which keys turn it.
class Knob : public QWidget {
    Q_OBJECT
public:
    Knob(knobrules::Kind kind, QColor accent, QString name, QWidget* parent);

    knobrules::Kind kind() const { return m_kind; }
    double value() const { return m_value; }
    // What the console holds; repaints only when it differs from what is shown.
    void setValue(double value);
    // A band's kill: the knob dims and its words say "kill".
    void setKilled(bool killed);
    bool killed() const { return m_killed; }
    // The keys that turn it, for its tooltip.
    void setKeys(const QString& keys);

signals:
    void turned(double value);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void turn(double value);
    void retip();

    knobrules::Kind m_kind;
    QColor m_accent;
    QString m_name;
    QString m_keys;
    double m_value = 0;
    bool m_killed = false;
    bool m_dragging = false;
    double m_pressY = 0;
    double m_pressValue = 0;
};

// A small square that toggles a band's kill: lit in the warning colour while on. clicked(bool) is the user's.
class KillSquare : public QAbstractButton {
    Q_OBJECT
public:
    KillSquare(const QString& tip, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};

// A lamp with a word, lit or dark; repaints only when it turns.
class Lamp : public QWidget {
    Q_OBJECT
public:
    Lamp(QString word, QColor lit, QWidget* parent);
    void setLit(bool lit);
    bool isLit() const { return m_lit; }
    void setScale(double scale);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString m_word;
    QColor m_colour;
    bool m_lit = false;
    double m_scale = 1.0;
};

} // namespace player
