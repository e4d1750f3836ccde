#include "lumaband/lumaband.h"
#include "lumaband/lumabandinterface.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <algorithm>
#include <utility>

#include "component/control.h"
#include "component/controlerror.h"
#include "component/propertybag.h"
#include "core/colours.h"
#include "ui/progressbar.h"

using platform::component::Colour;
using platform::component::ControlSite;
using platform::component::Picture;
using platform::component::PropertyBag;

namespace {

Qt::CursorShape cursorShape(short pointer) {
    switch (pointer) {
    case 1:
        return Qt::ArrowCursor;
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

short buttonsCode(Qt::MouseButtons b) {
    return static_cast<short>((b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
                              (b & Qt::MiddleButton ? 4 : 0));
}

} // namespace

Lumaband::Lumaband(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

Lumaband::~Lumaband() = default;

void Lumaband::setSite(ControlSite* site) {
    setSiteObject(site);
    setFont(this->site().ambientFont());
}

QString Lumaband::memberDescription(const QString& member) const {
    return QString::fromLatin1(lumaband::memberDescription(member.toStdString()));
}

bool Lumaband::notify(const char* name) {
    const QPointer<Lumaband> alive(this);
    notifyChanged(QString::fromLatin1(name));
    return alive;
}

void Lumaband::warn(const char* message) {
    warn(QString::fromLatin1(message));
}

void Lumaband::warn(const QString& message) {
    site().prompts().message(message, platform::Buttons::Ok, platform::Icon::Exclamation,
                             QStringLiteral("Lumaband"));
}

// ---- the surface's properties

void Lumaband::setBackColor(std::uint32_t New_BackColor) {
    m_backColor = New_BackColor;
    if (notify("BackColor"))
        DrawBar();
}

void Lumaband::setEnabledState(bool New_Enabled) {
    QWidget::setEnabled(New_Enabled);
    m_bar.enabled = New_Enabled;
    if (notify("Enabled"))
        DrawBar();
}

void Lumaband::setBorderStyle(long long New_BorderStyle) {
    m_borderStyle = platform::component::narrowToInt16(New_BorderStyle);
    if (notify("BorderStyle"))
        repaintNow(this); // the border is the surface's, not the bar's: no bar run
}

bool Lumaband::beyond16Bits(int v) {
    if (v >= -32768 && v <= 32767)
        return false;
    warn(platform::component::errorKindText(platform::component::ErrorKind::Overflow));
    return true;
}

void Lumaband::setMousePointer(int New_MousePointer) {
    if (beyond16Bits(New_MousePointer))
        return;
    m_mousePointer = static_cast<short>(New_MousePointer);
    applyPointer();
    notify("MousePointer");
}

void Lumaband::setMouseIcon(const QImage& New_MouseIcon) {
    m_mouseIcon = New_MouseIcon;
    applyPointer();
    notify("MouseIcon");
}

void Lumaband::setPercentColor(std::uint32_t New_PercentColor) {
    m_percentColor = New_PercentColor;
    if (notify("PercentColor"))
        DrawBar();
}

void Lumaband::applyPointer() {
    if (m_mousePointer == 0)
        unsetCursor();
    else if (m_mousePointer == 99 && !m_mouseIcon.isNull())
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon)));
    else
        setCursor(cursorShape(m_mousePointer));
}

// ---- the control's own values

void Lumaband::setStartColor(std::uint32_t New_StartColor) {
    m_bar.startColor = New_StartColor;
    if (notify("StartColor"))
        DrawBar();
}

void Lumaband::setEndColor(std::uint32_t New_EndColor) {
    m_bar.endColor = New_EndColor;
    if (notify("EndColor"))
        DrawBar();
}

void Lumaband::setValue(int New_Value) {
    if (beyond16Bits(New_Value))
        return;
    if (const char* rejected = lumaband::checkValue(static_cast<std::int16_t>(New_Value), m_bar))
        return warn(rejected);
    m_bar.value = static_cast<std::int16_t>(New_Value);
    if (notify("Value"))
        DrawBar();
}

void Lumaband::setMin(int New_Min) {
    if (beyond16Bits(New_Min))
        return;
    if (const char* rejected = lumaband::checkMin(static_cast<std::int16_t>(New_Min), m_bar))
        return warn(rejected);
    m_bar.min = static_cast<std::int16_t>(New_Min);
    if (!notify("Min"))
        return;
    if (m_bar.value < m_bar.min)
        m_bar.value = m_bar.min; // pulled along without a "Value" notification
    DrawBar();
}

void Lumaband::setMax(int New_Max) {
    if (beyond16Bits(New_Max))
        return;
    if (const char* rejected = lumaband::checkMax(static_cast<std::int16_t>(New_Max), m_bar))
        return warn(rejected);
    m_bar.max = static_cast<std::int16_t>(New_Max);
    if (!notify("Max"))
        return;
    if (m_bar.value > m_bar.max)
        m_bar.value = m_bar.max;
    DrawBar();
}

void Lumaband::setShowPercent(bool New_ShowPercent) {
    m_bar.showPercent = New_ShowPercent;
    if (notify("ShowPercent"))
        DrawBar();
}

void Lumaband::setRelativeScroll(bool New_RelativeScroll) {
    m_bar.relativeScroll = New_RelativeScroll;
    if (notify("RelativeScroll"))
        DrawBar();
}

void Lumaband::setSegmentSize(float New_SegmentSize) {
    if (const char* rejected = lumaband::checkSegmentSize(New_SegmentSize, m_bar))
        return warn(rejected);
    m_bar.segmentSize = std::fabs(New_SegmentSize);
    if (notify("SegmentSize"))
        DrawBar();
}

void Lumaband::setSegmentWidth(float New_SegmentWidth) {
    if (const char* rejected = lumaband::checkSegmentWidth(New_SegmentWidth, m_bar))
        return warn(rejected);
    m_bar.segmentWidth = std::fabs(New_SegmentWidth);
    if (notify("SegmentWidth"))
        DrawBar();
}

short Lumaband::Percent() const {
    return lumaband::percent(m_bar.min, m_bar.max, m_bar.value);
}

QVariant Lumaband::percentProperty() const {
    // Late-bound readers get no value for a set that breaks the limits; Percent() says why.
    try {
        return QVariant::fromValue(Percent());
    } catch (const platform::component::ControlError&) {
        return {};
    }
}

// Late-bound writes (Qt's property system, and so Designer and QUiLoader) have no caller to throw to: a value
// beyond the 16 bits of a member is refused before anything changes, with a warning as the checks give.
template <class Step> void Lumaband::lateBound(Step step) {
    try {
        step();
    } catch (const platform::component::ControlError& e) {
        warn(platform::component::errorKindText(e.kind()));
    }
}

void Lumaband::setBorderStyleProperty(e_Borderstyle s) {
    lateBound([&] { setBorderStyle(s); });
}
QPixmap Lumaband::mouseIconProperty() const {
    return QPixmap::fromImage(m_mouseIcon);
}
void Lumaband::setMouseIconProperty(const QPixmap& p) {
    setMouseIcon(p.toImage());
}

// ---- the property store

void Lumaband::initNew() {
    m_bar = lumaband::BarSettings{.enabled = Enabled()};
}

void Lumaband::readProperties(const PropertyBag& bag) {
    const auto key = [](const char* k) { return QString::fromLatin1(k); };
    m_backColor = bag.read(key("BackColor"), Colour{kDefaultBackColor}).value;
    const bool enabled = bag.read(key("Enabled"), true);
    QWidget::setEnabled(enabled);
    m_bar.enabled = enabled;
    m_borderStyle = bag.read(key("BorderStyle"), std::int16_t{Flat});
    m_mousePointer = bag.read(key("MousePointer"), std::int16_t{0});
    applyPointer();
    setMouseIcon(bag.read(key("MouseIcon"), Picture{}).image);
    m_bar.startColor = bag.read(key("StartColor"), Colour{0}).value;
    m_bar.endColor = bag.read(key("EndColor"), Colour{0}).value;
    m_bar.value = bag.read(key("Value"), std::int16_t{0});
    m_bar.min = bag.read(key("Min"), std::int16_t{0});
    m_bar.max = bag.read(key("Max"), std::int16_t{100});
    m_bar.showPercent = bag.read(key("ShowPercent"), true);
    m_bar.relativeScroll = bag.read(key("RelativeScroll"), false);
    m_bar.segmentSize = bag.read(key("SegmentSize"), 0.0f);
    m_bar.segmentWidth = bag.read(key("SegmentWidth"), 0.7f);
    m_percentColor = bag.read(key("PercentColor"), Colour{kDefaultPercentColor}).value;
    DrawBar();
}

void Lumaband::writeProperties(PropertyBag& bag) const {
    const auto key = [](const char* k) { return QString::fromLatin1(k); };
    bag.write(key("BackColor"), Colour{m_backColor}, Colour{kDefaultBackColor});
    bag.write(key("Enabled"), Enabled(), true);
    bag.write(key("BorderStyle"), m_borderStyle, std::int16_t{Flat});
    bag.write(key("MousePointer"), std::int16_t{m_mousePointer}, std::int16_t{0});
    bag.write(key("MouseIcon"), Picture{m_mouseIcon}, Picture{});
    bag.write(key("StartColor"), Colour{m_bar.startColor}, Colour{0});
    bag.write(key("EndColor"), Colour{m_bar.endColor}, Colour{0});
    bag.write(key("Value"), m_bar.value, std::int16_t{0});
    bag.write(key("Min"), m_bar.min, std::int16_t{0});
    bag.write(key("Max"), m_bar.max, std::int16_t{100});
    bag.write(key("ShowPercent"), m_bar.showPercent, true);
    bag.write(key("RelativeScroll"), m_bar.relativeScroll, false);
    bag.write(key("SegmentSize"), m_bar.segmentSize, 0.0f);
    bag.write(key("SegmentWidth"), m_bar.segmentWidth, 0.7f);
    bag.write(key("PercentColor"), Colour{m_percentColor}, Colour{kDefaultPercentColor});
}

// ---- drawing

QRect Lumaband::innerRect() const {
    return m_borderStyle == D3D ? rect().adjusted(1, 1, -1, -1) : rect();
}

// Qt paints in paint events: a run sets the scale at once, so mouse coordinates follow it, and the picture is
// made by the paint event, at once for a property change. The last run's picture is the one on the screen.
void Lumaband::DrawBar(Present present) {
    m_unitsAcross = lumaband::scaleAfterRun(m_bar, m_unitsAcross);
    if (present == Present::Now)
        repaintNow(this);
    else
        update();
}

void Lumaband::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_borderStyle == D3D) {
        p.setPen(platform::toQColor(0x80000006)); // window frame
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const lumaband::Surface surface{platform::toQColor(m_backColor), platform::toQColor(m_percentColor),
                                    font()};
    lumaband::BarSettings bar = m_bar;
    bar.enabled = isEnabled(); // also when the host disables the window around the bar
    lumaband::drawBar(p, innerRect(), bar, surface, m_unitsAcross);
}

void Lumaband::resizeEvent(QResizeEvent*) {
    DrawBar(Present::Scheduled);
}

// ---- events

float Lumaband::unitsX(double pixelX) const {
    const QRect inner = innerRect();
    const double x = pixelX - inner.left();
    if (m_unitsAcross <= 0 || inner.width() <= 0)
        return static_cast<float>(x);
    return static_cast<float>(x * m_unitsAcross / inner.width());
}

void Lumaband::mousePressEvent(QMouseEvent* e) {
    m_pressed = true;
    emit MouseDown(platform::buttonCode(e->button()), platform::shiftCode(e->modifiers()),
                   unitsX(e->position().x()), static_cast<float>(e->position().y() - innerRect().top()));
}

void Lumaband::mouseMoveEvent(QMouseEvent* e) {
    emit MouseMove(buttonsCode(e->buttons()), platform::shiftCode(e->modifiers()), unitsX(e->position().x()),
                   static_cast<float>(e->position().y() - innerRect().top()));
}

void Lumaband::mouseReleaseEvent(QMouseEvent* e) {
    // A handler may delete the bar: after MouseUp it goes on only while the bar lives, and Click comes last.
    const QPointer<Lumaband> alive(this);
    emit MouseUp(platform::buttonCode(e->button()), platform::shiftCode(e->modifiers()),
                 unitsX(e->position().x()), static_cast<float>(e->position().y() - innerRect().top()));
    if (!alive)
        return;
    const bool click = std::exchange(m_pressed, false) && rect().contains(e->position().toPoint());
    if (click)
        emit Click();
}

// The platform's order for a double-click is MouseDown, MouseUp, Click, DblClick, MouseUp: the second press
// is the surface's DblClick, which the bar does not raise, and the release after it is no click of its own.
void Lumaband::mouseDoubleClickEvent(QMouseEvent*) {
    m_pressed = false;
}

// ---- the pop-up menu

QPoint Lumaband::popupPosition(const QVariant& Flags, const QVariant& X, const QVariant& Y,
                               const QSize& menuSize) const {
    QPoint at = mapFromGlobal(QCursor::pos());
    if (X.isValid()) {
        const double units = X.toDouble();
        const QRect inner = innerRect();
        at.setX(inner.left() +
                static_cast<int>(m_unitsAcross > 0 ? units * inner.width() / m_unitsAcross : units));
    }
    if (Y.isValid())
        at.setY(innerRect().top() + Y.toInt());
    const int flags = Flags.isValid() ? Flags.toInt() : 0;
    if (flags & 4)
        at.rx() -= menuSize.width() / 2;
    else if (flags & 8)
        at.rx() -= menuSize.width();
    return mapToGlobal(at);
}

void Lumaband::PopupMenu(QMenu* Menu, const QVariant& Flags, const QVariant& X, const QVariant& Y,
                         const QVariant& DefaultMenu) {
    if (!Menu)
        return;
    if (DefaultMenu.isValid())
        Menu->setDefaultAction(DefaultMenu.value<QAction*>());
    Menu->exec(popupPosition(Flags, X, Y, Menu->sizeHint()));
}
