#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>

#include "mainlayout.h"

class QLabel;
class QPainter;
class QWidget;

namespace player {

// The program's painted faces. The main window's background is drawn from its layout table, so every painted
// word lies under the image button the same table places.
namespace skin {

// The main window's background, kSkinWidth by kSkinHeight logical pixels times the window's scale, drawn at
// the screen's pixel density so it stays crisp on dense screens; without words for a test that finds where
// the words are. Every place on it is the layout's at that scale, as the window places its buttons.
QPixmap mainBackground(bool words = true, qreal dpr = 1, qreal scale = 1);
QSize mainBackgroundSize(qreal scale);
// A switch of the main window (a deck's pre-listen, the recorder) as its button paints it over the
// background, which shows it off.
QPixmap switchFace(mainlayout::Item item, bool lit, qreal dpr = 1, qreal scale = 1);
// The splash and about window's background at its client size.
QPixmap aboutBackground(const QSize& size, qreal dpr = 1);
// The DJ view's background: its panels and the wells of its strips; with `sketch`, the places kept for the
// controls to come outlined and named.
QPixmap djBackground(bool sketch, qreal dpr = 1, qreal scale = 1);
QIcon appIcon();

QColor deckColour(int deck);
// The colour of a pad's or a well's accent.
QColor accentColour(mainlayout::Accent accent);
QColor baseColour();
// The waveform's bands: 0 low, 1 mid, 2 high.
QColor bandColour(int band);
// What must catch the eye: a deck's last seconds.
QColor warningColour();
QColor workAreaColour();
// Fader pictures: a slotted rail of `size` and a thumb in the deck's colour (-1: the crossfader).
QPixmap faderRail(Qt::Orientation orientation, const QSize& size, qreal dpr = 1);
QPixmap faderThumb(Qt::Orientation orientation, int deck, qreal dpr = 1, qreal scale = 1);
// The font of a pad's word, sized to fit `rect` (already at `scale`).
QFont padFont(const QRect& rect, const QString& word, qreal scale = 1);
// Labels and surfaces take their colours from palettes, which draw far cheaper than style sheets; only the
// song list and the check boxes, which palettes cannot dress, have style sheets of their own.
QFont uiFont(int pixelSize, bool bold = false);
void styleLabel(QLabel* label, const QColor& text, const QFont& font);
QFont font(mainlayout::Font role, qreal scale = 1);
// Gives an element its look's font, ink and style sheet at the window's scale; its surface and words are the
// window's to set, as they differ by kind.
void dress(QWidget* w, const mainlayout::Look& look, qreal scale = 1);
void styleSurface(QWidget* w, const QColor& background);
QString aboutStyleSheet();

} // namespace skin

} // namespace player
