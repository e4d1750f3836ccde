#pragma once

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <memory>
#include <mutex>

namespace platform {
class ServerBeat;
class ServerPicture;
} // namespace platform

namespace player {

class CaptionLabel;

// The frame a deck caption scrolls through, and the caption's scroll: its left edge in twips (so the steps
// lose nothing to pixel rounding), moved 50 twips a step and started again beyond the right edge once the
// caption has left on the other side.
// On X11 the viewport puts the caption on screen itself: the X server keeps the caption's picture with a
// frame's width of background on either side, and each scroll step is one copy of the frame-sized slice that
// lies under the viewport (the label stays hidden, keeping the text, and the place it had when last asked).
// Joined to a beat, the steps are made on the beat's thread, so a scrolling caption never wakes the UI
// thread. Elsewhere the label is an ordinary child moved by Qt, and the frame paints nothing: a step repaints
// a thin strip of it, and a QFrame would ask the style to draw its (absent) border every time.
class CaptionViewport : public QFrame {
    Q_OBJECT
public:
    explicit CaptionViewport(QWidget* parent = nullptr);
    ~CaptionViewport() override;

    void setCaption(CaptionLabel* caption);
    // On X11 only (showsCaptionItself()): the steps come from `beat`, until joined to another or to none
    // (null), which must happen before the beat goes.
    void joinBeat(platform::ServerBeat* beat);
    bool showsCaptionItself() const { return m_server != nullptr; }

    int captionLeft() const;
    void setCaptionLeft(int twips);
    // One scroll step made by the UI thread.
    void step();
    // The caption's text changed: it scrolls on from where it is, with its new picture. A new size is
    // followed without being told: a shown caption's resize is seen as it happens; a hidden one's (on X11)
    // whenever the UI thread next reaches the viewport, since Qt tells nobody of it.
    void captionChanged();
    // The window's scale: the twips of the caption's place and steps become that many more pixels.
    void setScale(double scale);
    // Out of sight, the steps go on counting and nothing is shown; back in sight, the caption shows where
    // the steps have brought it.
    void setInSight(bool inSight);

    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_lock<std::recursive_mutex> hold() const;
    // Takes the caption's width again when its size is not the one last taken.
    void followCaption();
    QPoint captionPlace() const;
    // Brings the label, or the server's copy, to where the caption now is.
    void place();
    void putUp();
    void makeStrip();
    // The slice of the server's picture that shows the caption at its left edge now.
    QRect slice() const;
    // A step on the beat's thread (the beat's hold is taken): plain arithmetic on the fields below.
    QRect beatStep();

    CaptionLabel* m_caption = nullptr;
    QSize m_captionSize; // as last taken for the wrap width and the picture (UI thread)
    std::unique_ptr<platform::ServerPicture> m_server;
    platform::ServerBeat* m_beat = nullptr;
    // Read and written by the beat's steps, under its hold:
    int m_left = 0;            // twips
    double m_wrapWidth = 0;    // the caption's width in twips
    double m_scale = 1;        // pixels per design pixel
    bool m_inSight = true;     // not minimised nor covered
    bool m_shown = false;      // the viewport is shown
    QSize m_frame;             // the frame in device pixels, as last put up
    qreal m_dpr = 1;           // and the pixel ratio then
    int m_cut = 0;             // the width of caption the server's picture holds
    bool m_stale = true;       // the caption or the viewport changed since the strip was made
    qint64 m_stripPicture = 0; // the caption picture the server's strip was made from
    int m_stripTop = 0;        // and the caption's top
};

// A one-line deck caption that keeps its text as an opaque picture on the viewport's colour. Opaque, the
// caption can be moved by shifting pixels already on screen: a scroll tick repaints only the strip of
// viewport it uncovers, never the text.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent = nullptr);
    // The caption as it looks, in device pixels; made again only when its text, size or colours change.
    const QPixmap& picture() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    mutable QPixmap m_picture;
    mutable QString m_pictureText;
    mutable QSize m_pictureSize;
    mutable QRgb m_pictureBackground = 0;
    mutable QRgb m_pictureInk = 0;
};

} // namespace player
