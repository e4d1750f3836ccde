#include "captionlabel.h"

#include <QPainter>

namespace player {

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    const QRgb background = palette().color(QPalette::Window).rgba();
    const QRgb ink = palette().color(QPalette::WindowText).rgba();
    if (m_picture.isNull() || m_pictureText != text() || m_pictureSize != pixels ||
        m_pictureBackground != background || m_pictureInk != ink) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(dpr);
        m_picture.fill(QColor::fromRgba(background));
        QPainter p(&m_picture);
        p.setFont(font());
        p.setPen(QColor::fromRgba(ink));
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
        m_pictureText = text();
        m_pictureSize = pixels;
        m_pictureBackground = background;
        m_pictureInk = ink;
    }
    QPainter(this).drawPixmap(0, 0, m_picture);
}

} // namespace player
