#pragma once

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <memory>

namespace platform {
class ServerPicture;
}

namespace player {

class CaptionLabel;

// The frame a deck caption scrolls through: a plain fill of its background colour.
// On X11 the viewport puts the caption on screen itself: the X server keeps the caption's picture with a
// frame's width of background on either side, and each scroll step is one copy of the frame-sized slice that
// lies under the viewport (the label stays hidden, keeping the text and the place). Two captions scrolling 30
// times a second then cost little more than the timer's wake-ups, which matters for a window left open idle.
// Elsewhere the label is an ordinary child moved by Qt, and the frame paints nothing: a step repaints a thin
// strip of it, and a QFrame would ask the style to draw its (absent) border every time.
class CaptionViewport : public QFrame {
    Q_OBJECT
public:
    explicit CaptionViewport(QWidget* parent = nullptr);
    ~CaptionViewport() override;

    void setCaption(CaptionLabel* caption);
    // Shows the caption where its label now lies, with its current text; call after each move or new text.
    void captionMoved();
    bool showsCaptionItself() const { return m_server != nullptr; }
    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void putUp();

    CaptionLabel* m_caption = nullptr;
    std::unique_ptr<platform::ServerPicture> m_server;
    qint64 m_stripPicture = 0; // the caption picture the server's strip was made from
    QSize m_stripFrame;        // and the frame's size in device pixels then,
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
