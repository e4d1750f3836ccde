#pragma once

#include <QColor>
#include <QWidget>
#include <array>

#include "console/knobrules.h"

namespace player {

class Console;
class KillSquare;
class Knob;

// One deck's channel strip in the DJ view: gain, high, mid, low and filter knobs, a kill square under each
// band, their names above them. It shows what the console holds and forwards every turn and click to it; a
// double-click on the strip beside the knobs (their names) sets them all to the centre.
class SoundStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kKnobs = 5;
    SoundStrip(Console& console, int deck, QColor accent, QWidget* parent);

    // In the order they stand: gain, high, mid, low, filter.
    Knob* knob(knobrules::Kind kind) const { return m_knob[int(kind)]; }
    // Null for the gain and the filter.
    KillSquare* kill(knobrules::Kind kind) const;
    void setKeys(knobrules::Kind kind, const QString& keys);
    void setResetKeys(const QString& keys);
    void setScale(double scale);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    // Takes the knobs' places from the console.
    void follow();
    QRect slot(int i) const;
    void retip();

    Console& m_console;
    int m_deck;
    QColor m_accent;
    double m_scale = 1.0;
    QString m_resetKeys;
    std::array<Knob*, kKnobs> m_knob{};
    std::array<KillSquare*, kKnobs> m_kill{};
};

} // namespace player
