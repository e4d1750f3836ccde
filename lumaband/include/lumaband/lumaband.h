#pragma once

#include <QImage>
#include <QPixmap>
#include <QVariant>
#include <QWidget>
#include <cstdint>

#include "component/control.h"
#include "lumaband/lumaband_export.h"
#include "lumaband/lumabandrules.h"

class QMenu;

// A horizontal progress bar painted as a colour gradient from StartColor towards EndColor, optionally cut
// into segments and labelled with its percentage. Each member of its interface is a Qt property under the
// member's own name; its events are the signals Click, MouseDown, MouseMove and MouseUp.
//
// The setters check, store, notify the host and redraw, in that order; a redraw reaches the screen before the
// setter returns. A rejected value shows a warning through the host's prompt seam and keeps the old value;
// the caller sees no error. The 16-bit members (Value, Min, Max, MousePointer) take an int, so that a value
// beyond 16 bits is refused like the others (the warning "Overflow", nothing changes) instead of wrapping
// round on its way in; that holds for direct calls, uic's generated code and late binding alike. BorderStyle
// beyond 16 bits throws an Overflow ControlError from a direct call and warns "Overflow" when late-bound.
class LUMABAND_EXPORT Lumaband : public QWidget,
                                 public platform::component::Control,
                                 public platform::component::ControlSiteHolder {
    Q_OBJECT
    // Property types are the ones Designer's property editor and generic hosts handle: 16-bit members travel
    // as int (checked against -32768..32767 on writing), single-precision ones as double, the pointer picture
    // as a pixmap. The range comes before Value, so that a form written in declaration order (as Designer
    // writes it) sets the range first; Max before Min suits the usual ranges above 0.
    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledState)
    Q_PROPERTY(e_Borderstyle BorderStyle READ borderStyleProperty WRITE setBorderStyleProperty)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(QPixmap MouseIcon READ mouseIconProperty WRITE setMouseIconProperty)
    Q_PROPERTY(uint StartColor READ StartColor WRITE setStartColor)
    Q_PROPERTY(uint EndColor READ EndColor WRITE setEndColor)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Min READ Min WRITE setMin)
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(bool ShowPercent READ ShowPercent WRITE setShowPercent)
    Q_PROPERTY(bool RelativeScroll READ RelativeScroll WRITE setRelativeScroll)
    Q_PROPERTY(double SegmentSize READ SegmentSize WRITE setSegmentSize)
    Q_PROPERTY(double SegmentWidth READ SegmentWidth WRITE setSegmentWidth)
    Q_PROPERTY(QVariant Percent READ percentProperty STORED false)
    Q_PROPERTY(uint PercentColor READ PercentColor WRITE setPercentColor)

public:
    // 32 bits wide like its interface type, so a late-bound value beyond the two names reaches the setter's
    // 16-bit check intact.
    enum e_Borderstyle : std::int32_t { Flat = 0, D3D = 1 };
    Q_ENUM(e_Borderstyle)

    static constexpr std::uint32_t kDefaultBackColor = 0x8000000F;
    static constexpr std::uint32_t kDefaultPercentColor = 0x80000012;

    explicit Lumaband(QWidget* parent = nullptr);
    ~Lumaband() override;

    // The surface's properties.
    std::uint32_t BackColor() const { return m_backColor; }
    void setBackColor(std::uint32_t New_BackColor);
    // The bar's own state; a disabled window around it greys the bar without changing this.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    void setEnabledState(bool New_Enabled);
    // The surface keeps 16 bits: a value outside them throws an Overflow ControlError and changes nothing.
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(long long New_BorderStyle);
    short MousePointer() const { return m_mousePointer; }
    void setMousePointer(int New_MousePointer);
    QImage MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QImage& New_MouseIcon);
    // The names uic's generated code calls: they reach the members, not QWidget's namesakes.
    void setMouseIcon(const QPixmap& New_MouseIcon) { setMouseIcon(New_MouseIcon.toImage()); }
    void setEnabled(bool New_Enabled) { setEnabledState(New_Enabled); }
    std::uint32_t PercentColor() const { return m_percentColor; }
    void setPercentColor(std::uint32_t New_PercentColor);

    // The control's own values.
    std::uint32_t StartColor() const { return m_bar.startColor; }
    void setStartColor(std::uint32_t New_StartColor);
    std::uint32_t EndColor() const { return m_bar.endColor; }
    void setEndColor(std::uint32_t New_EndColor);
    short Value() const { return m_bar.value; }
    void setValue(int New_Value);
    short Min() const { return m_bar.min; }
    void setMin(int New_Min);
    short Max() const { return m_bar.max; }
    void setMax(int New_Max);
    bool ShowPercent() const { return m_bar.showPercent; }
    void setShowPercent(bool New_ShowPercent);
    bool RelativeScroll() const { return m_bar.relativeScroll; }
    void setRelativeScroll(bool New_RelativeScroll);
    float SegmentSize() const { return m_bar.segmentSize; }
    void setSegmentSize(float New_SegmentSize);
    float SegmentWidth() const { return m_bar.segmentWidth; }
    void setSegmentWidth(float New_SegmentWidth);

    // Computed on every read; throws platform::component::ControlError (Overflow, DivisionByZero) for sets
    // that break the 16-bit limits, which only a loaded property set can hold.
    short Percent() const;

    // Shows `Menu` as the surface's pop-up menu. Flags: 4 centres it on X, 8 puts its right edge at X. X and
    // Y are in the surface's current units (the pointer's position when left out); DefaultMenu is a QAction*
    // shown bold. An argument the caller leaves out is an invalid QVariant and stays left out.
    Q_INVOKABLE void PopupMenu(QMenu* Menu, const QVariant& Flags = {}, const QVariant& X = {},
                               const QVariant& Y = {}, const QVariant& DefaultMenu = {});

    // What design tools show beside a member of the interface; empty when it carries no description.
    Q_INVOKABLE QString memberDescription(const QString& member) const;

    // The control model: the host's site and its property store.
    QWidget* widget() override { return this; }
    void setSite(platform::component::ControlSite* site) override;
    void initNew() override;
    void readProperties(const platform::component::PropertyBag& bag) override;
    void writeProperties(platform::component::PropertyBag& bag) const override;

    // The horizontal scale in force: units across the width, 0 while it is still pixels.
    float scaleWidth() const { return m_unitsAcross; }
    // The surface's drawing area, inside its border.
    QRect innerRect() const;
    // Where a pop-up menu with these arguments appears, in global coordinates, for a menu of `menuSize`.
    QPoint popupPosition(const QVariant& Flags, const QVariant& X, const QVariant& Y,
                         const QSize& menuSize) const;

signals:
    void Click();
    void MouseDown(short Button, short Shift, float X, float Y);
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseUp(short Button, short Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    // Who asked for a run: a property change is shown before it returns, the platform's own notifications
    // paint in their turn.
    enum class Present { Now, Scheduled };

    void DrawBar(Present present = Present::Now);
    void warn(const char* message);
    void warn(const QString& message);
    // Tells the host; false when its handler deleted the bar, which must then touch nothing of itself.
    bool notify(const char* name);
    template <class Step> void lateBound(Step step);
    // Warns "Overflow" for a value outside -32768..32767.
    bool beyond16Bits(int v);
    void applyPointer();
    float unitsX(double pixelX) const;
    e_Borderstyle borderStyleProperty() const { return static_cast<e_Borderstyle>(m_borderStyle); }
    void setBorderStyleProperty(e_Borderstyle s);
    QVariant percentProperty() const;
    QPixmap mouseIconProperty() const;
    void setMouseIconProperty(const QPixmap& p);

    lumaband::BarSettings m_bar;
    std::uint32_t m_backColor = kDefaultBackColor;
    std::uint32_t m_percentColor = kDefaultPercentColor;
    std::int16_t m_borderStyle = Flat;
    short m_mousePointer = 0;
    QImage m_mouseIcon;
    float m_unitsAcross = 0;
    bool m_pressed = false;
};
