#include "demopictures.h"

#include <QLinearGradient>
#include <QPainter>

namespace demo {

QImage face(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, QColor(40, 48, 64));
    g.setColorAt(1, QColor(14, 16, 24));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(90, 110, 140));
    for (int i = 0; i <= 10; ++i) {
        const int x = 10 + i * (width - 20) / 10;
        p.drawLine(x, height - 8, x, height - (i % 5 == 0 ? 16 : 12));
    }
    p.fillRect(8, height / 2 - 2, width - 16, 4, QColor(8, 8, 12));
    return img;
}

namespace {
QImage disc(int width, int height, QColor outside, const QBrush& inside) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(outside);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(inside);
    p.drawEllipse(QRect(0, 0, width, height).adjusted(1, 1, -1, -1));
    return img;
}
} // namespace

QImage roundHandle(int width, int height) {
    QRadialGradient g(width * 0.35, height * 0.3, width);
    g.setColorAt(0, QColor(255, 214, 120));
    g.setColorAt(1, QColor(200, 90, 20));
    return disc(width, height, Qt::black, g);
}

QImage roundHandleMask(int width, int height) {
    return disc(width, height, Qt::white, Qt::black);
}

} // namespace demo
