#include "tempobuttons.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

#include "skin.h"

namespace player {

namespace {
constexpr int kParts = 5;
} // namespace

TempoButtons::TempoButtons(QColor accent, QWidget* parent) : QWidget(parent), m_accent(accent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TempoButtons::show(const View& view) {
    if (view == m_view)
        return;
    m_view = view;
    update();
}

QRectF TempoButtons::area(Part part) const {
    // The readout takes the top third; the buttons share the rest in two rows.
    const double gap = 2, w = width(), rowH = (height() - 2 * gap) / 3, top = rowH + gap;
    switch (part) {
    case Part::KeyLock:
        return {0, top, (w - gap) / 2, rowH};
    case Part::Sync:
        return {(w + gap) / 2, top, (w - gap) / 2, rowH};
    case Part::Slower:
    case Part::Faster:
    case Part::Range: {
        const double third = (w - 2 * gap) / 3;
        const int i = int(part) - int(Part::Slower);
        return {i * (third + gap), top + rowH + gap, third, rowH};
    }
    }
    return {};
}

int TempoButtons::partAt(QPointF at) const {
    for (int i = 0; i < kParts; ++i)
        if (area(Part(i)).contains(at))
            return i;
    return -1;
}

bool TempoButtons::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int part = partAt(help->pos());
        if (part >= 0 && !m_tips[size_t(part)].isEmpty())
            QToolTip::showText(help->globalPos(), m_tips[size_t(part)], this, area(Part(part)).toRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void TempoButtons::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QString rangeText = QStringLiteral("±%1").arg(std::lround(m_view.range * 100));
    const struct {
        Part part;
        QString word;
        bool lit;
    } parts[kParts] = {
        {Part::KeyLock, tr("KEY"), m_view.keyLock},
        {Part::Sync, tr("SYNC"), false},
        {Part::Slower, QStringLiteral("−"), m_view.nudge < 0},
        {Part::Faster, QStringLiteral("+"), m_view.nudge > 0},
        {Part::Range, rangeText, false},
    };
    p.setFont(skin::uiFont(std::max(6, int(std::lround(8 * m_scale))), true));
    const QRectF readout(0, 0, width(), area(Part::KeyLock).top() - 2);
    p.setPen(m_view.tempo.startsWith(QLatin1Char('0')) ? QColor(150, 156, 166) : m_accent);
    p.drawText(readout, Qt::AlignCenter, m_view.tempo);
    for (const auto& part : parts) {
        const QRectF r = area(part.part).adjusted(0.5, 0.5, -0.5, -0.5);
        // The word shrinks to its button rather than lose a letter at the edges.
        QFont f = skin::uiFont(std::max(5, int(std::lround(8 * m_scale))), true);
        while (f.pixelSize() > 5 && QFontMetricsF(f).horizontalAdvance(part.word) > r.width() - 2)
            f.setPixelSize(f.pixelSize() - 1);
        p.setFont(f);
        p.setPen(QPen(QColor(5, 6, 7), 1));
        p.setBrush(part.lit ? QColor(44, 48, 54) : QColor(28, 30, 34));
        p.drawRoundedRect(r, 2.5, 2.5);
        p.setPen(part.lit ? m_accent : QColor(176, 182, 192));
        p.drawText(r, Qt::AlignCenter, part.word);
    }
}

void TempoButtons::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    switch (partAt(e->position())) {
    case int(Part::KeyLock):
        emit keyLockClicked();
        break;
    case int(Part::Sync):
        emit syncClicked();
        break;
    case int(Part::Range):
        emit rangeClicked();
        break;
    case int(Part::Slower):
    case int(Part::Faster):
        m_holding = true;
        emit nudged(partAt(e->position()) == int(Part::Faster) ? 1 : -1);
        break;
    default:
        break;
    }
    e->accept();
}

void TempoButtons::mouseReleaseEvent(QMouseEvent* e) {
    // Let go wherever the pointer went meanwhile: a nudge never sticks.
    if (m_holding) {
        m_holding = false;
        emit nudged(0);
    }
    e->accept();
}

} // namespace player
