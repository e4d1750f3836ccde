#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include "console/djrules.h"

namespace player {

// A deck at a glance: its transport lit as it stands (play, pause, stop; none without a song), the song's
// name, the time played and the time left, which takes the warning colour near the end, and between them the
// beats a minute it plays at, or the taps of a tempo being tapped.
class DeckState : public QWidget {
    Q_OBJECT
public:
    // The window's size: the words grow with it.
    void setScale(double scale) {
        m_scale = scale;
        update();
    }
    DeckState(QColor accent, QWidget* parent);

    struct View {
        djrules::Light light = djrules::Light::None;
        QString name;
        QString played;
        QString left;
        bool warning = false;
        QString bpm;   // "126.0", empty without a beat
        int taps = 0;  // shown while a count goes on
        QString level; // the song's levelling, small beside its name
        bool operator==(const View&) const = default;
    };
    // Repaints only on a change.
    void show(const View& view);
    const View& shown() const { return m_view; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double m_scale = 1.0;
    QColor m_accent;
    View m_view;
};

} // namespace player
