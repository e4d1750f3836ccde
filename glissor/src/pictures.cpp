#include "glissor/glissor.h"

#include <QPainter>

// The built-in pictures of the library, drawn in code so they need no resource files.

QImage Glissor::defaultThumb() {
    constexpr int kWidth = 9;
    constexpr int kHeight = 21;
    const QRgb light = qRgb(255, 255, 255);
    const QRgb shadow = qRgb(128, 128, 128);
    const QRgb face = qRgb(192, 192, 192);
    QImage thumb(kWidth, kHeight, QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool topRight = x == kWidth - 1 && y == 0;
            QRgb c = face;
            if ((x == 0 || y == 0) && !topRight)
                c = light;
            else if (x == kWidth - 1 || y == kHeight - 1)
                c = shadow;
            thumb.setPixel(x, y, c);
        }
    }
    return thumb;
}

QImage Glissor::toolboxImage() {
    // A track with a raised thumb on it, on the toolbox's grey.
    QImage img(16, 15, QImage::Format_RGB888);
    img.fill(qRgb(192, 192, 192));
    QPainter p(&img);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(1, 7, 14, 7);
    p.setPen(QColor(255, 255, 255));
    p.drawLine(1, 8, 14, 8);
    p.fillRect(6, 2, 4, 11, QColor(192, 192, 192));
    p.setPen(QColor(255, 255, 255));
    p.drawLine(6, 2, 9, 2);
    p.drawLine(6, 2, 6, 12);
    p.setPen(QColor(0, 0, 0));
    p.drawLine(10, 2, 10, 12);
    p.drawLine(6, 12, 10, 12);
    return img;
}
