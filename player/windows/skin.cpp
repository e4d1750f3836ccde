#include "skin.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "djlayout.h"
#include "mainlayout.h"

namespace player {

using mainlayout::Accent;
using mainlayout::Face;

namespace skin {

namespace {

const QColor kBase(18, 19, 22);
const QColor kPanelTop(38, 41, 47);
const QColor kPanelBottom(27, 29, 33);
const QColor kInk(232, 234, 237);
const QColor kDimInk(128, 134, 144);
const QColor kDeck0(46, 196, 255);
const QColor kDeck1(255, 138, 42);
const QColor kGreen(61, 220, 132);
const QColor kRed(255, 77, 77);

QFont skinFont(int pixelSize, bool bold = true) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Sans Serif")});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// An element's place at the window's scale, on whole pixels as the window places its widgets.
QRectF px(const platform::TwipsRect& r, qreal s) {
    return QRectF(platform::toPixels(r, s));
}

int scaled(int pixels, qreal s) {
    return qRound(pixels * s);
}

void paintBase(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(24, 25, 29));
    g.setColorAt(1, QColor(12, 13, 15));
    p.fillRect(r, g);
    // a faint brushed grain
    p.setPen(QColor(255, 255, 255, 6));
    for (int y = r.top(); y < r.bottom(); y += 3)
        p.drawLine(r.left(), y, r.right(), y);
}

// Drawn at the design's size; a larger window scales it as a whole.
void paintTitleStrip(QPainter& p, int width) {
    const QRect strip(0, 0, width, 21);
    QLinearGradient g(strip.topLeft(), strip.bottomLeft());
    g.setColorAt(0, QColor(34, 36, 41));
    g.setColorAt(1, QColor(20, 21, 24));
    p.fillRect(strip, g);
    p.setPen(QColor(0, 0, 0));
    p.drawLine(0, 21, width, 21);
    p.setPen(QColor(255, 255, 255, 18));
    p.drawLine(0, 0, width, 0);
    // the record mark left of the caption
    const QPointF c(22, 10.5);
    QRadialGradient disc(c, 8);
    disc.setColorAt(0, QColor(60, 64, 72));
    disc.setColorAt(1, QColor(14, 15, 17));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(disc);
    p.drawEllipse(c, 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kDeck0, 1.5));
    p.drawArc(QRectF(c.x() - 5.5, c.y() - 5.5, 11, 11), 30 * 16, 120 * 16);
    p.setPen(QPen(kDeck1, 1.5));
    p.drawArc(QRectF(c.x() - 5.5, c.y() - 5.5, 11, 11), 210 * 16, 120 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 232, 236));
    p.drawEllipse(c, 1.6, 1.6);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void paintPanel(QPainter& p, const mainlayout::Entry& e, qreal s) {
    const QRectF r = px(e.rect, s).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, kPanelTop);
    g.setColorAt(1, kPanelBottom);
    p.setBrush(g);
    p.setPen(QPen(QColor(6, 7, 8), 1));
    p.drawRoundedRect(r, 4 * s, 4 * s);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(r.topLeft() + QPointF(4 * s, 1), r.topRight() + QPointF(-4 * s, 1));
    p.setRenderHint(QPainter::Antialiasing, false);
    if (e.word.empty())
        return;
    const QString heading = QString::fromUtf8(e.word.data(), static_cast<int>(e.word.size())).toUpper();
    QFont f = skinFont(scaled(8, s));
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2 * s);
    p.setFont(f);
    const QColor accent = accentColour(e.accent);
    // A deck's name heads its panel; a group's name is engraved along the foot of its box.
    const bool deck = e.accent == Accent::Deck0 || e.accent == Accent::Deck1;
    const int line = scaled(11, s);
    const QRect textRect(int(r.left()) + scaled(8, s),
                         deck ? int(r.top()) + scaled(2, s) : int(r.bottom()) - line,
                         int(r.width()) - scaled(16, s), line);
    if (deck) {
        p.fillRect(QRect(textRect.left(), textRect.top() + scaled(2, s), scaled(3, s), scaled(8, s)), accent);
        p.setPen(accent);
        p.drawText(textRect.adjusted(scaled(7, s), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, heading);
    } else {
        p.setPen(kDimInk);
        p.drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, heading);
    }
}

void paintWell(QPainter& p, const mainlayout::Entry& e, qreal s) {
    const QRect r = platform::toPixels(e.rect, s).adjusted(-1, -1, 1, 1);
    p.fillRect(r, QColor(8, 9, 10));
    p.setPen(QColor(0, 0, 0));
    p.drawLine(r.topLeft(), r.topRight());
    p.setPen(QColor(255, 255, 255, 26));
    p.drawLine(r.bottomLeft() + QPoint(0, 1), r.bottomRight() + QPoint(0, 1));
    if (e.item == mainlayout::Item::Vol0 || e.item == mainlayout::Item::Vol1) {
        // a scale beside each volume fader, the loud end at the top
        const QColor accent = accentColour(e.accent);
        const int x = e.item == mainlayout::Item::Vol0 ? r.left() - scaled(5, s) : r.right() + scaled(2, s);
        const int top = r.top() + scaled(4, s), travel = r.height() - scaled(9, s);
        for (int i = 0; i <= 10; ++i) {
            const int y = top + travel * i / 10;
            QColor c = i == 0 ? accent : QColor(90, 96, 106);
            p.fillRect(QRect(x, y, scaled(i % 5 == 0 ? 4 : 2, s), std::max(1, scaled(1, s))), c);
        }
    }
}

// A pad's rounded body with its highlight along the top; lit, it takes its accent.
void paintPadBody(QPainter& p, const QRectF& r, const QColor& accent, bool lit, qreal s) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (lit) {
        g.setColorAt(0, accent.lighter(125));
        g.setColorAt(1, accent.darker(135));
    } else {
        g.setColorAt(0, QColor(66, 71, 80));
        g.setColorAt(0.5, QColor(48, 52, 59));
        g.setColorAt(1, QColor(38, 41, 47));
    }
    p.setBrush(g);
    p.setPen(QPen(QColor(5, 6, 7), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3 * s, 3 * s);
    p.setPen(QPen(QColor(255, 255, 255, lit ? 90 : 40), 1));
    p.drawLine(r.topLeft() + QPointF(3 * s, 1.5), r.topRight() + QPointF(-3 * s, 1.5));
}

// The lit strip along a pad's foot.
QRectF padStrip(const QRectF& r, qreal s) {
    return QRectF(r.left() + 3 * s, r.bottom() - 3 * s, r.width() - 6 * s, 1.6 * s);
}

void paintPad(QPainter& p, const mainlayout::Entry& e, bool words, qreal s) {
    const QRectF r = px(e.rect, s);
    const QColor accent = accentColour(e.accent);
    paintPadBody(p, r, accent, false, s);
    // the lit strip along the pad's foot
    p.setPen(Qt::NoPen);
    QColor led = accent;
    led.setAlpha(210);
    p.setBrush(led);
    p.drawRoundedRect(padStrip(r, s), 0.8 * s, 0.8 * s);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (!words)
        return;
    const QString word = QString::fromUtf8(e.word.data(), static_cast<int>(e.word.size()));
    p.setFont(padFont(r.toRect(), word, s));
    p.setPen(kInk);
    p.drawText(r.adjusted(s, 0, -s, -2 * s), Qt::AlignCenter, word);
}

void paintGlyph(QPainter& p, const mainlayout::Entry& e, bool words, qreal s) {
    if (!words)
        return;
    const QRectF r = px(e.rect, s);
    p.setRenderHint(QPainter::Antialiasing);
    if (e.word == "x") {
        const QRectF box = r.adjusted(4 * s, 4 * s, -4 * s, -4 * s);
        p.setPen(QPen(accentColour(e.accent), 1.8 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomLeft());
    } else {
        const qreal in = 1.5 * s;
        p.setPen(QPen(kInk, 1.8 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left() + in, r.bottom() - in), QPointF(r.right() - in, r.bottom() - in));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

// A switch's sign: headphones for a deck's pre-listen, a dot for the recorder, a waveform's bars for the DJ
// view.
void paintSwitchSign(QPainter& p, const QRectF& box, mainlayout::Item item, const QColor& ink,
                     const QColor& dot, qreal s) {
    if (item == mainlayout::Item::DJ) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const qreal heights[] = {0.45, 1.0, 0.7, 0.3};
        for (int i = 0; i < 4; ++i) {
            const qreal h = box.height() * heights[i];
            p.drawRect(QRectF(box.left() + i * 2.4 * s, box.center().y() - h / 2, 1.5 * s, h));
        }
        return;
    }
    if (item == mainlayout::Item::Rec) {
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(box.center(), 3.2 * s, 3.2 * s);
        return;
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.3 * s, Qt::SolidLine, Qt::RoundCap));
    const QRectF band(box.left() + 0.5 * s, box.top() + s, box.width() - s, box.height() + 2 * s);
    p.drawArc(band, 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const qreal cupTop = box.center().y(), cup = 2.6 * s;
    p.drawRoundedRect(QRectF(box.left(), cupTop, cup, box.bottom() - cupTop), s, s);
    p.drawRoundedRect(QRectF(box.right() - cup, cupTop, cup, box.bottom() - cupTop), s, s);
}

// Off, a switch is a pad with a dim strip; on, the whole pad takes its accent.
void paintSwitch(QPainter& p, const mainlayout::Entry& e, bool words, bool lit, qreal s) {
    const QRectF r = px(e.rect, s);
    const QColor accent = accentColour(e.accent);
    paintPadBody(p, r, accent, lit, s);
    QColor led = lit ? QColor(255, 255, 255) : accent;
    led.setAlpha(lit ? 230 : 70);
    p.setPen(Qt::NoPen);
    p.setBrush(led);
    p.drawRoundedRect(padStrip(r, s), 0.8 * s, 0.8 * s);
    if (words) {
        const QString word = QString::fromUtf8(e.word.data(), static_cast<int>(e.word.size()));
        const QColor ink = lit ? kBase : kInk;
        const QFont f = padFont(r.toRect().adjusted(0, 0, -scaled(12, s), 0), word, s);
        const qreal sign = 9 * s, gap = 3 * s;
        const qreal width = sign + gap + QFontMetricsF(f).horizontalAdvance(word);
        const qreal left = r.center().x() - width / 2;
        const qreal mid = r.center().y() - s;
        paintSwitchSign(p, QRectF(left, mid - 4 * s, sign, 8 * s), e.item, ink,
                        lit ? QColor(255, 255, 255) : kRed, s);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(QRectF(left + sign + gap, r.top(), width, r.height() - 2 * s),
                   Qt::AlignLeft | Qt::AlignVCenter, word);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

} // namespace

QPixmap switchFace(mainlayout::Item item, bool lit, qreal dpr, qreal scale) {
    const mainlayout::Entry& e = mainlayout::entry(item);
    const QRect r = platform::toPixels(e.rect, scale);
    QPixmap pm(r.size() * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.translate(-r.topLeft());
    paintSwitch(p, e, true, lit, scale);
    return pm;
}

QColor accentColour(Accent a) {
    switch (a) {
    case Accent::Deck0:
        return kDeck0;
    case Accent::Deck1:
        return kDeck1;
    case Accent::PlayGreen:
        return kGreen;
    case Accent::StopRed:
    case Accent::Danger:
        return kRed;
    case Accent::Neutral:
        break;
    }
    return QColor(120, 126, 136);
}

QColor deckColour(int deck) {
    return deck == 0 ? kDeck0 : kDeck1;
}
QColor baseColour() {
    return kBase;
}
QColor bandColour(int band) {
    switch (band) {
    case 0:
        return QColor(236, 84, 92);
    case 1:
        return QColor(246, 196, 72);
    default:
        return QColor(150, 226, 255);
    }
}
QColor warningColour() {
    return kRed;
}
QColor workAreaColour() {
    return QColor(46, 50, 57);
}

QFont padFont(const QRect& rect, const QString& word, qreal scale) {
    int size = scaled(rect.height() >= scaled(24, scale) ? 11 : 10, scale);
    QFont f = skinFont(size);
    while (size > scaled(6, scale) &&
           QFontMetrics(f).horizontalAdvance(word) > rect.width() - scaled(4, scale)) {
        f.setPixelSize(--size);
    }
    return f;
}

QSize mainBackgroundSize(qreal scale) {
    return QSize(scaled(mainlayout::kSkinWidth, scale), scaled(mainlayout::kSkinHeight, scale));
}

QPixmap mainBackground(bool words, qreal dpr, qreal scale) {
    const QSize size = mainBackgroundSize(scale);
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    paintBase(p, QRect(QPoint(0, 0), size));
    p.save();
    p.scale(scale, scale);
    paintTitleStrip(p, mainlayout::kSkinWidth);
    p.restore();
    for (const mainlayout::Entry& e : mainlayout::kTable) {
        switch (e.face) {
        case Face::Panel:
            paintPanel(p, e, scale);
            break;
        case Face::Well:
            paintWell(p, e, scale);
            break;
        case Face::Pad:
            paintPad(p, e, words, scale);
            break;
        case Face::Glyph:
            paintGlyph(p, e, words, scale);
            break;
        case Face::Switch:
            paintSwitch(p, e, words, false, scale);
            break;
        case Face::None:
            break;
        }
    }
    // the maker's line at the foot
    p.setFont(skinFont(scaled(9, scale), false));
    p.setPen(QColor(96, 102, 112));
    p.drawText(QRectF(260 * scale, 376 * scale, 265 * scale, 17 * scale), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("DECKMORA  \u00b7  two-deck mixer"));
    return pm;
}

QPixmap djBackground(bool sketch, qreal dpr, qreal scale) {
    const QRect logical = platform::toPixels({0, 0, djlayout::kWidth, djlayout::kHeight}, scale);
    QPixmap pm(logical.size() * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    paintBase(p, logical);
    // The face's frame goes on around the view.
    p.setPen(QColor(0, 0, 0));
    p.drawLine(0, 0, 0, logical.height());
    p.drawLine(logical.width() - 1, 0, logical.width() - 1, logical.height());
    p.drawLine(0, logical.height() - 1, logical.width(), logical.height() - 1);
    for (const djlayout::Entry& e : djlayout::kTable) {
        // The face's painters know the face's items; any will do that is neither fader.
        const mainlayout::Entry as{mainlayout::Item::MixerPanel, e.rect, e.face, e.word, e.accent};
        if (e.face == Face::Panel)
            paintPanel(p, as, scale);
        else if (e.face == Face::Well)
            paintWell(p, as, scale);
        else if (sketch && !e.word.empty() && e.item != djlayout::Item::Meter0 &&
                 e.item != djlayout::Item::Meter1 && e.item != djlayout::Item::MeterMaster &&
                 e.item != djlayout::Item::LimiterLight) {
            const QRectF r = px(e.rect, scale).adjusted(0.5, 0.5, -0.5, -0.5);
            p.setPen(QPen(kDimInk, 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r);
            p.setFont(skinFont(8, false));
            const QString word = QString::fromUtf8(e.word.data(), static_cast<int>(e.word.size()));
            if (r.height() > r.width()) {
                p.save();
                p.translate(r.center());
                p.rotate(-90);
                p.drawText(QRectF(-r.height() / 2, -r.width() / 2, r.height(), r.width()), Qt::AlignCenter,
                           word);
                p.restore();
            } else {
                p.drawText(r, Qt::AlignCenter, word);
            }
        }
    }
    return pm;
}

QPixmap aboutBackground(const QSize& size, qreal dpr) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    paintBase(p, QRect(QPoint(0, 0), size));
    p.setRenderHint(QPainter::Antialiasing);
    // a record, lit in the two decks' colours
    const QPointF c(64, 66);
    QRadialGradient disc(c, 44);
    disc.setColorAt(0, QColor(48, 51, 58));
    disc.setColorAt(0.7, QColor(22, 23, 27));
    disc.setColorAt(1, QColor(10, 11, 12));
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(disc);
    p.drawEllipse(c, 44, 44);
    p.setBrush(Qt::NoBrush);
    for (int ring = 14; ring < 42; ring += 4) {
        p.setPen(QPen(QColor(255, 255, 255, 12), 1));
        p.drawEllipse(c, ring, ring);
    }
    p.setPen(QPen(kDeck0, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 36, c.y() - 36, 72, 72), 20 * 16, 110 * 16);
    p.setPen(QPen(kDeck1, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 36, c.y() - 36, 72, 72), 200 * 16, 110 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 232, 236));
    p.drawEllipse(c, 4, 4);
    // the word mark
    QFont big = skinFont(40);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(big);
    QLinearGradient ink(QPointF(124, 0), QPointF(440, 0));
    ink.setColorAt(0, kDeck0);
    ink.setColorAt(1, kDeck1);
    p.setPen(QPen(QBrush(ink), 1));
    p.drawText(QRect(124, 34, size.width() - 132, 48), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("DECKMORA"));
    QFont small = skinFont(11, false);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(small);
    p.setPen(kDimInk);
    p.drawText(QRect(128, 82, size.width() - 136, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("TWO-DECK MIXER  \u00b7  OLVANE SOFTWARE"));
    // the panel under the loading message and, later, the credits
    QLinearGradient g(QPointF(0, 152), QPointF(0, 352));
    g.setColorAt(0, kPanelTop);
    g.setColorAt(1, kPanelBottom);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(g);
    p.setPen(QPen(QColor(6, 7, 8), 1));
    p.drawRoundedRect(QRectF(6.5, 152.5, size.width() - 13, 200), 4, 4);
    return pm;
}

QIcon appIcon() {
    QIcon icon;
    for (int s : {16, 32, 48, 64, 128, 256}) {
        QPixmap pm(s, s);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(s / 64.0, s / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 25, 29));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        QRadialGradient disc(QPointF(32, 32), 24);
        disc.setColorAt(0, QColor(56, 60, 68));
        disc.setColorAt(1, QColor(12, 13, 15));
        p.setBrush(disc);
        p.drawEllipse(QPointF(32, 32), 24, 24);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kDeck0, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(14, 14, 36, 36), 20 * 16, 120 * 16);
        p.setPen(QPen(kDeck1, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(14, 14, 36, 36), 200 * 16, 120 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(232, 234, 237));
        p.drawEllipse(QPointF(32, 32), 4, 4);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap faderRail(Qt::Orientation orientation, const QSize& size, qreal dpr) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(QColor(64, 64, 64));
    QPainter p(&pm);
    const int slot = 3;
    if (orientation == Qt::Vertical) {
        const int x = (size.width() - slot) / 2;
        p.fillRect(QRect(x, 3, slot, size.height() - 6), QColor(6, 6, 7));
        p.fillRect(QRect(x + slot, 3, 1, size.height() - 6), QColor(255, 255, 255, 30));
    } else {
        const int y = (size.height() - slot) / 2;
        p.fillRect(QRect(3, y, size.width() - 6, slot), QColor(6, 6, 7));
        p.fillRect(QRect(3, y + slot, size.width() - 6, 1), QColor(255, 255, 255, 30));
        p.fillRect(QRect(size.width() / 2, 1, 1, size.height() - 2), QColor(140, 146, 156));
    }
    return pm;
}

QPixmap faderThumb(Qt::Orientation orientation, int deck, qreal dpr, qreal scale) {
    const QSize size = orientation == Qt::Vertical ? QSize(14, 9) : QSize(9, 14);
    const QSize shown(scaled(size.width(), scale), scaled(size.height(), scale));
    QPixmap pm(shown * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn at the design's size on a picture of the shown size, as vectors: crisp at any scale.
    p.scale(qreal(shown.width()) / size.width(), qreal(shown.height()) / size.height());
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), orientation == Qt::Vertical ? r.bottomLeft() : r.topRight());
    g.setColorAt(0, QColor(210, 214, 220));
    g.setColorAt(1, QColor(120, 126, 136));
    p.setBrush(g);
    p.setPen(QPen(QColor(10, 10, 12), 1));
    p.drawRoundedRect(r, 2, 2);
    const QColor line = deck < 0 ? QColor(20, 20, 22) : deckColour(deck);
    p.setPen(QPen(line, 1.5));
    if (orientation == Qt::Vertical)
        p.drawLine(QPointF(2, size.height() / 2.0), QPointF(size.width() - 2, size.height() / 2.0));
    else
        p.drawLine(QPointF(size.width() / 2.0, 2), QPointF(size.width() / 2.0, size.height() - 2));
    return pm;
}

QFont uiFont(int pixelSize, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void styleLabel(QLabel* label, const QColor& text, const QFont& font) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, text);
    label->setPalette(pal);
    label->setFont(font);
}

void styleSurface(QWidget* w, const QColor& background) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, background);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

namespace {

QFont captionFont(qreal s) {
    QFont f = uiFont(scaled(11, s), true);
    f.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    return f;
}

QFont listFont(qreal s) {
    QFont f = uiFont(scaled(11, s), false);
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    return f;
}

QString songListStyleSheet(qreal s) {
    return QStringLiteral("QListWidget { background: rgb(64, 64, 64); color: rgb(0, 255, 0); border: none; "
                          "outline: none; }"
                          "QListWidget::item:selected { background: rgb(0, 110, 40); color: white; }"
                          "QScrollBar:vertical { background: rgb(40, 40, 40); width: %1px; margin: 0; }"
                          "QScrollBar::handle:vertical { background: rgb(110, 116, 126); min-height: %2px;"
                          "  border-radius: %3px; margin: 1px; }"
                          "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(scaled(10, s))
        .arg(scaled(16, s))
        .arg(scaled(3, s));
}

QString checkBoxStyleSheet(qreal s) {
    return QStringLiteral(
               "QCheckBox { color: white; background: rgb(64, 64, 64); padding-left: %1px; spacing: %2px; }"
               "QCheckBox::indicator { width: %3px; height: %3px; border: 1px solid rgb(150, 156, 166);"
               "  background: rgb(30, 31, 34); border-radius: 2px; }"
               "QCheckBox::indicator:checked { background: rgb(61, 220, 132); border-color: rgb(61, 220, "
               "132); "
               "}")
        .arg(scaled(4, s))
        .arg(scaled(6, s))
        .arg(scaled(10, s));
}

} // namespace

QFont font(mainlayout::Font role, qreal scale) {
    switch (role) {
    case mainlayout::Font::Ui:
        return uiFont(scaled(11, scale));
    case mainlayout::Font::UiBold:
        return uiFont(scaled(11, scale), true);
    case mainlayout::Font::Caption:
        return captionFont(scale);
    case mainlayout::Font::List:
        return listFont(scale);
    case mainlayout::Font::None:
        break;
    }
    return QFont();
}

void dress(QWidget* w, const mainlayout::Look& look, qreal scale) {
    if (look.ink) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, platform::toQColor(*look.ink));
        w->setPalette(pal);
    }
    if (look.font != mainlayout::Font::None)
        w->setFont(font(look.font, scale));
    switch (look.sheet) {
    case mainlayout::Sheet::SongList:
        if (auto* frame = qobject_cast<QFrame*>(w))
            frame->setFrameShape(QFrame::NoFrame);
        w->setStyleSheet(songListStyleSheet(scale));
        break;
    case mainlayout::Sheet::CheckBox:
        w->setStyleSheet(checkBoxStyleSheet(scale));
        break;
    case mainlayout::Sheet::None:
        break;
    }
}

// The selectors take the windows' own controls only: a message box raised over one of these windows is its
// child too and keeps the look of every other box.
QString aboutStyleSheet() {
    return QStringLiteral(
        "AboutWindow > QLabel, WelcomeWindow > QLabel { color: rgb(220, 223, 228); background: transparent;"
        "  font-family: 'DejaVu Sans'; font-size: 12px; }"
        "AboutWindow > QLabel#Label2 { color: rgb(46, 196, 255); font-weight: bold; }"
        "AboutWindow > QLabel#Label1 { color: rgb(128, 134, 144); font-size: 11px; }"
        "AboutWindow > QPushButton, WelcomeWindow > QPushButton { color: white; background: rgb(52, 56, 63);"
        "  border: 1px solid black; border-radius: 3px; font-family: 'DejaVu Sans'; font-weight: bold; }"
        "AboutWindow > QPushButton:hover, WelcomeWindow > QPushButton:hover { background: rgb(66, 71, 80); "
        "}");
}

} // namespace skin

} // namespace player
