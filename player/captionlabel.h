#pragma once

#include <QLabel>
#include <QPixmap>

// A one-line label that keeps its text as a picture: a deck caption moves every tick, and redrawing a picture
// is far cheaper than laying the text out again each time.
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
};
