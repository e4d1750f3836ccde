#include "soundstrip.h"

#include <QMouseEvent>
#include <QPainter>

#include "console/console.h"
#include "knob.h"
#include "skin.h"

namespace player {

using knobrules::Kind;

namespace {
// The console's band behind a band knob.
Console::Band bandOf(Kind kind) {
    return kind == Kind::High  ? Console::Band::High
           : kind == Kind::Mid ? Console::Band::Mid
                               : Console::Band::Low;
}
bool isBand(Kind kind) {
    return kind == Kind::High || kind == Kind::Mid || kind == Kind::Low;
}
const char* const kNames[SoundStrip::kKnobs] = {
    QT_TRANSLATE_NOOP("player::SoundStrip", "gain"), QT_TRANSLATE_NOOP("player::SoundStrip", "hi"),
    QT_TRANSLATE_NOOP("player::SoundStrip", "mid"), QT_TRANSLATE_NOOP("player::SoundStrip", "low"),
    QT_TRANSLATE_NOOP("player::SoundStrip", "filter")};
const char* const kLongNames[SoundStrip::kKnobs] = {
    QT_TRANSLATE_NOOP("player::SoundStrip", "gain"), QT_TRANSLATE_NOOP("player::SoundStrip", "high band"),
    QT_TRANSLATE_NOOP("player::SoundStrip", "mid band"), QT_TRANSLATE_NOOP("player::SoundStrip", "low band"),
    QT_TRANSLATE_NOOP("player::SoundStrip", "filter")};
// Shares of the strip's height: the names, the knobs, the kill squares.
constexpr double kNameShare = 0.2, kKnobShare = 0.56, kSquareShare = 0.19;
} // namespace

SoundStrip::SoundStrip(Console& console, int deck, QColor accent, QWidget* parent)
    : QWidget(parent), m_console(console), m_deck(deck), m_accent(accent) {
    setAttribute(Qt::WA_TranslucentBackground);
    const QString prefix = tr("Deck %1 %2").arg(deck + 1);
    for (int i = 0; i < kKnobs; ++i) {
        const Kind kind = Kind(i);
        m_knob[i] = new Knob(kind, accent, prefix.arg(tr(kLongNames[i])), this);
        connect(m_knob[i], &Knob::turned, this, [this, kind](double v) {
            if (kind == Kind::Gain)
                m_console.setGain(m_deck, knobrules::gainDb(v));
            else if (kind == Kind::Filter)
                m_console.setFilter(m_deck, v);
            else
                m_console.setBand(m_deck, bandOf(kind), v);
        });
        if (isBand(kind)) {
            m_kill[i] = new KillSquare(
                tr("Deck %1: kill the %2, on or off").arg(deck + 1).arg(tr(kLongNames[i])), this);
            connect(m_kill[i], &KillSquare::clicked, this,
                    [this, kind](bool on) { m_console.setKill(m_deck, bandOf(kind), on); });
        }
    }
    connect(&console, &Console::deckSoundChanged, this, [this](int d) {
        if (d == m_deck)
            follow();
    });
    follow();
    retip();
}

KillSquare* SoundStrip::kill(Kind kind) const {
    return m_kill[int(kind)];
}

void SoundStrip::setKeys(Kind kind, const QString& keys) {
    m_knob[int(kind)]->setKeys(keys);
}

void SoundStrip::setResetKeys(const QString& keys) {
    m_resetKeys = keys;
    retip();
}

void SoundStrip::retip() {
    QString tip = tr("Deck %1's sound: a double-click here sets every knob to its centre").arg(m_deck + 1);
    if (!m_resetKeys.isEmpty())
        tip += QStringLiteral(" (%1)").arg(m_resetKeys);
    setToolTip(tip);
}

void SoundStrip::follow() {
    for (int i = 0; i < kKnobs; ++i) {
        const Kind kind = Kind(i);
        if (kind == Kind::Gain) {
            m_knob[i]->setValue(knobrules::gainValue(m_console.gain(m_deck)));
        } else if (kind == Kind::Filter) {
            m_knob[i]->setValue(m_console.filter(m_deck));
        } else {
            m_knob[i]->setValue(m_console.band(m_deck, bandOf(kind)));
            const bool on = m_console.kill(m_deck, bandOf(kind));
            m_knob[i]->setKilled(on);
            m_kill[i]->setChecked(on);
        }
    }
}

QRect SoundStrip::slot(int i) const {
    const int left = i * width() / kKnobs, right = (i + 1) * width() / kKnobs;
    return QRect(left, 0, right - left, height());
}

void SoundStrip::resizeEvent(QResizeEvent*) {
    const int names = int(height() * kNameShare);
    const int knob = std::min(int(height() * kKnobShare), width() / kKnobs - 2);
    const int square = std::max(6, int(height() * kSquareShare));
    for (int i = 0; i < kKnobs; ++i) {
        const QRect s = slot(i);
        m_knob[i]->setGeometry(s.center().x() - knob / 2, names, knob, knob);
        if (m_kill[i])
            m_kill[i]->setGeometry(s.center().x() - square / 2, height() - square, square, square);
    }
}

void SoundStrip::setScale(double scale) {
    m_scale = scale;
    update();
}

void SoundStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(skin::uiFont(qRound(9 * m_scale), true));
    p.setPen(QColor(150, 156, 166));
    const int names = int(height() * kNameShare);
    for (int i = 0; i < kKnobs; ++i) {
        const QRect s = slot(i);
        p.drawText(QRect(s.left(), 0, s.width(), names), Qt::AlignCenter, tr(kNames[i]).toUpper());
    }
}

void SoundStrip::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        m_console.resetDeck(m_deck);
}

} // namespace player
