#include "deckstate.h"

#include <QPainter>
#include <QPainterPath>

#include "skin.h"

namespace player {

using djrules::Light;

namespace {
constexpr int kLamp = 14;   // a lamp's square
constexpr int kRowTop = 19; // the clock's row
} // namespace

DeckState::DeckState(QColor accent, QWidget* parent) : QWidget(parent), m_accent(accent) {
    setAttribute(Qt::WA_TranslucentBackground);
    m_view.name = tr("no song");
}

void DeckState::show(const View& view) {
    if (view == m_view)
        return;
    m_view = view;
    update();
}

void DeckState::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor unlit(62, 66, 74);
    for (int i = 0; i < 3; ++i) {
        const Light lamp = i == 0 ? Light::Play : i == 1 ? Light::Pause : Light::Stop;
        const bool lit = m_view.light == lamp;
        const QRectF box(i * (kLamp + 3) + 0.5, 1.5, kLamp, kLamp);
        p.setPen(QPen(lit ? QColor(5, 6, 7) : QColor(30, 32, 36), 1));
        p.setBrush(lit ? QColor(44, 48, 54) : QColor(24, 26, 30));
        p.drawRoundedRect(box, 2.5, 2.5);
        const QColor ink = !lit                  ? unlit
                           : lamp == Light::Play ? skin::accentColour(mainlayout::Accent::PlayGreen)
                           : lamp == Light::Stop ? skin::accentColour(mainlayout::Accent::StopRed)
                                                 : m_accent;
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const QRectF sign = box.adjusted(4, 4, -4, -4);
        if (lamp == Light::Play) {
            QPainterPath tri;
            tri.moveTo(sign.topLeft());
            tri.lineTo(sign.right() + 0.5, sign.center().y());
            tri.lineTo(sign.bottomLeft());
            tri.closeSubpath();
            p.drawPath(tri);
        } else if (lamp == Light::Pause) {
            p.drawRect(QRectF(sign.left(), sign.top(), 2.2, sign.height()));
            p.drawRect(QRectF(sign.right() - 2.2, sign.top(), 2.2, sign.height()));
        } else {
            p.drawRect(sign);
        }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    const int nameLeft = 3 * (kLamp + 3) + 4;
    QRect nameRect(nameLeft, 0, width() - nameLeft, kLamp + 3);
    if (!m_view.level.isEmpty()) {
        p.setFont(skin::uiFont(qRound(9 * m_scale), false));
        p.setPen(QColor(160, 166, 176));
        p.drawText(nameRect, Qt::AlignRight | Qt::AlignVCenter, m_view.level);
        nameRect.setRight(nameRect.right() - p.fontMetrics().horizontalAdvance(m_view.level) - 6);
    }
    p.setFont(skin::uiFont(qRound(11 * m_scale), true));
    p.setPen(m_view.light == Light::None ? QColor(128, 134, 144) : QColor(232, 234, 237));
    p.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(m_view.name, Qt::ElideRight, nameRect.width()));
    const QRect clock(0, kRowTop, width(), height() - kRowTop);
    p.setFont(skin::uiFont(qRound(16 * m_scale), true));
    p.setPen(QColor(232, 234, 237));
    p.drawText(clock, Qt::AlignLeft | Qt::AlignVCenter, m_view.played);
    p.setPen(m_view.warning ? skin::warningColour() : QColor(160, 166, 176));
    p.drawText(clock, Qt::AlignRight | Qt::AlignVCenter, m_view.left);
    // Between the clocks, quieter: the beats a minute, or the taps while they are counted.
    QString middle = m_view.bpm;
    if (m_view.taps > 0)
        middle = tr("tap %1").arg(m_view.taps);
    if (!middle.isEmpty()) {
        p.setFont(skin::uiFont(qRound(10 * m_scale), true));
        p.setPen(m_view.taps > 0 ? m_accent : QColor(188, 194, 204));
        p.drawText(clock, Qt::AlignHCenter | Qt::AlignVCenter, middle);
    }
}

} // namespace player
