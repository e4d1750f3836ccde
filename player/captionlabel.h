#pragma once

#include <QFrame>
#include <QLabel>
#include <QPixmap>

namespace player {

// The frame a deck caption scrolls through: a plain fill of its background colour. A scroll tick repaints a
// thin strip of it, and a QFrame would ask the style to draw its (absent) border every time.
class CaptionViewport : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override {}
};

// A one-line deck caption that keeps its text as an opaque picture on the viewport's colour. Opaque, the
// caption can be moved by shifting pixels already on screen: a scroll tick repaints only the strip of
// viewport it uncovers, never the text.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QPixmap m_picture;
    QString m_pictureText;
    QSize m_pictureSize;
    QRgb m_pictureBackground = 0;
    QRgb m_pictureInk = 0;
};

} // namespace player
