#include "glissor/glissor.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "aboutbox.h"
#include "component/controlerror.h"
#include "component/propertybag.h"
#include "core/colours.h"
#include "core/numbertext.h"
#include "sliderrules.h"

using platform::component::ControlError;
using platform::component::ErrorKind;
using platform::component::PropertyBag;
using platform::component::PropertyValue;

namespace {

constexpr Glissor::OleColor kInitialBackColor = 0x8000000Fu; // button face
constexpr Glissor::OleColor kInitialForeColor = 0x80000012u; // button text
const QString kInitialValue = QStringLiteral("5");
const QString kInitialMax = QStringLiteral("10");
const QString kInitialStrech = QStringLiteral("true");
const QString kInitialCaption = QStringLiteral("Slider");

double strictNumber(const QString& text) {
    if (auto v = platform::textToNumberStrict(text))
        return *v;
    throw ControlError(ErrorKind::TypeMismatch);
}

bool strictBool(const QString& text) {
    if (auto b = platform::textToBoolStrict(text))
        return *b;
    throw ControlError(ErrorKind::TypeMismatch);
}

Glissor::OleColor storedColour(const PropertyValue& v) {
    if (const auto* c = std::get_if<platform::component::Colour>(&v))
        return c->value;
    return static_cast<Glissor::OleColor>(platform::component::toInt32(v));
}

PropertyValue colourValue(Glissor::OleColor c) {
    return static_cast<std::int32_t>(c);
}

} // namespace

void Glissor::PictureHolder::assign(const QImage& image) {
    picture = image;
    // The raster operations work on 24-bit colour; the pad byte stays 0xFF through AND and OR alike.
    pixels = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
}

Glissor::Glissor(QWidget* parent)
    : QWidget(parent), m_backColor(kInitialBackColor), m_valueLabel(kInitialValue), m_max(kInitialMax),
      m_strech(kInitialStrech), m_maskBool(QStringLiteral("false")), m_captionText(kInitialCaption),
      m_captionFont(parent ? parent->font() : QApplication::font()), m_captionColor(kInitialForeColor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The host hears of every pointer movement over the face, with or without a button held.
    setMouseTracking(true);
    m_handlePicture.assign(defaultThumb());
    measureCaption();
    resize(320, 240);
}

Glissor::~Glissor() = default;

QSize Glissor::sizeHint() const {
    return {320, 240};
}

// ---- properties ----

Glissor::OleColor Glissor::BackColor() const {
    return m_backColor;
}

void Glissor::setBackColor(OleColor New_BackColor) {
    m_backColor = New_BackColor;
    if (notify("BackColor"))
        UpdateSlider();
}

Glissor::OleColor Glissor::ForeColor() const {
    return m_captionColor;
}

void Glissor::setForeColor(OleColor New_ForeColor) {
    m_captionColor = New_ForeColor;
    if (notify("ForeColor"))
        UpdateSlider();
}

bool Glissor::Enabled() const {
    return m_enabled;
}

void Glissor::setEnabledState(bool New_Enabled) {
    m_enabled = New_Enabled;
    QWidget::setEnabled(m_enabled);
    if (notify("Enabled"))
        UpdateSlider();
}

QFont Glissor::Font() const {
    return m_captionFont;
}

void Glissor::setCaptionFont(const QFont& New_Font) {
    m_captionFont = New_Font;
    measureCaption();
    if (notify("Font"))
        UpdateSlider();
}

bool Glissor::Border() const {
    return m_borderStyle != 0;
}

void Glissor::setBorder(bool New_Border) {
    m_borderStyle = New_Border ? 1 : 0;
    setContentsMargins(m_borderStyle, m_borderStyle, m_borderStyle, m_borderStyle);
    if (notify("Border"))
        UpdateSlider();
}

QString Glissor::Caption() const {
    return m_captionText;
}

void Glissor::setCaption(const QString& New_Caption) {
    m_captionText = New_Caption;
    measureCaption();
    if (notify("Caption"))
        UpdateSlider();
}

QImage Glissor::MaskPicture() const {
    return m_handleMaskPicture.picture;
}

void Glissor::setMaskPicture(const QImage& New_MaskPicture) {
    m_handleMaskPicture.assign(New_MaskPicture);
    if (notify("MaskPicture"))
        UpdateSlider();
}

QImage Glissor::Picture() const {
    return m_backPicture.picture;
}

void Glissor::setPicture(const QImage& New_Picture) {
    m_backPicture.assign(New_Picture);
    if (notify("Picture"))
        UpdateSlider();
}

bool Glissor::StrechPicture() const {
    return strictBool(m_strech);
}

void Glissor::setStrechPicture(bool New_StrechPicture) {
    m_strech = platform::boolToText(New_StrechPicture);
    if (notify("StrechPicture"))
        UpdateSlider();
}

bool Glissor::Mask() const {
    return strictBool(m_maskBool);
}

void Glissor::setMask(bool New_Mask) {
    m_maskBool = platform::boolToText(New_Mask);
    if (notify("Mask"))
        UpdateSlider();
}

double Glissor::Value() const {
    return strictNumber(m_valueLabel);
}

void Glissor::setValue(double New_Value) {
    // NaN would be stored as text no reader accepts and would slip past both clamps.
    if (std::isnan(New_Value))
        throw ControlError(ErrorKind::TypeMismatch);
    double v = New_Value;
    if (v < 0)
        v = 0;
    if (lenientMax() < v)
        v = lenientMax();
    m_valueLabel = platform::numberToText(v);
    if (!notify("Value"))
        return;
    const QPointer<Glissor> alive(this);
    UpdateSlider();
    if (alive)
        emit Change(v);
}

double Glissor::MaxValue() const {
    return strictNumber(m_max);
}

void Glissor::setMaxValue(double New_MaxValue) {
    // An infinite or NaN maximum has no number text that reads back; refuse it before anything changes.
    if (!std::isfinite(New_MaxValue))
        throw ControlError(ErrorKind::TypeMismatch);
    m_max = platform::numberToText(New_MaxValue);
    if (!notify("MaxValue"))
        return;
    const auto scale = glissor::scaleFor(faceWidth(), m_handlePicture.pixels.width(), lenientMax());
    if (!scale) {
        // A maximum of 0 leaves no track: the handle rests at the left end until a usable maximum comes.
        m_pixelsPerUnit = 0;
        m_handleX = 0;
        DrawSlider(Present::Now);
        throw ControlError(ErrorKind::DivisionByZero);
    }
    m_pixelsPerUnit = *scale;
    const auto x = glissor::toCoordinate(lenientValue() * m_pixelsPerUnit);
    if (!x)
        throw ControlError(ErrorKind::Overflow);
    m_handleX = *x;
    DrawSlider(Present::Now);
}

QImage Glissor::HPicture() const {
    return m_handlePicture.picture;
}

void Glissor::setHPicture(const QImage& New_HPicture) {
    m_handlePicture.assign(New_HPicture);
    if (notify("HPicture"))
        UpdateSlider();
}

// ---- late binding ----

template <class Step> void Glissor::lateBound(Step step) {
    try {
        step();
    } catch (const ControlError& e) {
        emit Error(e.number(), e.message());
    }
}

void Glissor::writeBackColor(quint32 v) {
    lateBound([&] { setBackColor(v); });
}
void Glissor::writeForeColor(quint32 v) {
    lateBound([&] { setForeColor(v); });
}
void Glissor::writeEnabled(bool v) {
    lateBound([&] { setEnabledState(v); });
}
void Glissor::writeFont(const QFont& v) {
    lateBound([&] { setCaptionFont(v); });
}
void Glissor::writeBorder(bool v) {
    lateBound([&] { setBorder(v); });
}
void Glissor::writeCaption(const QString& v) {
    lateBound([&] { setCaption(v); });
}
void Glissor::writeMaskPicture(const QPixmap& v) {
    lateBound([&] { setMaskPicture(v.toImage()); });
}
void Glissor::writePicture(const QPixmap& v) {
    lateBound([&] { setPicture(v.toImage()); });
}
void Glissor::writeStrechPicture(bool v) {
    lateBound([&] { setStrechPicture(v); });
}
void Glissor::writeMask(bool v) {
    lateBound([&] { setMask(v); });
}
// A direct assignment of Value or MaxValue stores before its handle placement can fail; a late-bound one has
// no caller to tell of a half-change, so it is refused whole when the placement would fail.
void Glissor::writeMaxValue(double v) {
    lateBound([&] {
        if (std::isfinite(v)) {
            const double max = platform::textToNumberLenient(platform::numberToText(v));
            const auto scale = glissor::scaleFor(faceWidth(), m_handlePicture.pixels.width(), max);
            if (!scale)
                throw ControlError(ErrorKind::DivisionByZero);
            if (!glissor::toCoordinate(lenientValue() * *scale))
                throw ControlError(ErrorKind::Overflow);
        }
        setMaxValue(v);
    });
}
void Glissor::writeValue(double v) {
    lateBound([&] {
        if (!std::isnan(v)) {
            const double clamped = std::min(std::max(v, 0.0), lenientMax());
            const double text = platform::textToNumberLenient(platform::numberToText(clamped));
            if (!glissor::toCoordinate(
                    platform::textToNumberLenient(platform::numberToText(text * m_pixelsPerUnit))))
                throw ControlError(ErrorKind::Overflow);
        }
        setValue(v);
    });
}
void Glissor::writeHPicture(const QPixmap& v) {
    lateBound([&] { setHPicture(v.toImage()); });
}

bool Glissor::readStrechPicture() const {
    return platform::textToBoolStrict(m_strech).value_or(true);
}
bool Glissor::readMask() const {
    return platform::textToBoolStrict(m_maskBool).value_or(true);
}
double Glissor::readMaxValue() const {
    return lenientMax();
}
double Glissor::readValue() const {
    return lenientValue();
}

// ---- methods ----

void Glissor::UpdateSlider() {
    placeHandle(Caller::Host);
}

void Glissor::ShowAboutBox() {
    glissor::AboutBox about(site().prompts(), this);
    about.exec();
}

// ---- property store ----

void Glissor::setSite(platform::component::ControlSite* site) {
    setSiteObject(site);
}

void Glissor::initNew() {
    // A control placed for the first time writes its caption in the font its host offers.
    m_captionFont = site().ambientFont();
    measureCaption();
}

void Glissor::readProperties(const PropertyBag& bag) {
    using platform::component::Font;
    using platform::component::Picture;
    const Font ambient = Font::fromQFont(site().ambientFont());
    m_backColor = storedColour(bag.read(QStringLiteral("BackColor"), colourValue(kInitialBackColor)));
    m_captionColor = storedColour(bag.read(QStringLiteral("ForeColor"), colourValue(kInitialForeColor)));
    m_enabled = bag.read(QStringLiteral("Enabled"), true);
    QWidget::setEnabled(m_enabled);
    m_captionFont = bag.read(QStringLiteral("Font"), ambient).toQFont();
    m_borderStyle = bag.read(QStringLiteral("Border"), std::int16_t{0});
    const int margin = m_borderStyle != 0 ? 1 : 0;
    setContentsMargins(margin, margin, margin, margin);
    m_captionText = bag.read(QStringLiteral("Caption"), kInitialCaption);
    measureCaption();
    m_handleMaskPicture.assign(bag.read(QStringLiteral("MaskPicture"), Picture{}).image);
    m_backPicture.assign(bag.read(QStringLiteral("Picture"), Picture{}).image);
    m_strech = bag.read(QStringLiteral("StrechPicture"), kInitialStrech);
    m_valueLabel = bag.read(QStringLiteral("Value"), kInitialValue);
    m_max = bag.read(QStringLiteral("MaxValue"), kInitialMax);
    m_handlePicture.assign(bag.read(QStringLiteral("HPicture"), Picture{}).image);
    // Written as text but defaulting to a Boolean: an old form without the key reads back as "False".
    m_maskBool = platform::component::toText(bag.read(QStringLiteral("Mask"), PropertyValue(false)));
}

void Glissor::writeProperties(PropertyBag& bag) const {
    using platform::component::Font;
    using platform::component::Picture;
    const Font ambient = Font::fromQFont(site().ambientFont());
    bag.write(QStringLiteral("BackColor"), colourValue(m_backColor), colourValue(kInitialBackColor));
    bag.write(QStringLiteral("ForeColor"), colourValue(m_captionColor), colourValue(kInitialForeColor));
    bag.write(QStringLiteral("Enabled"), m_enabled, true);
    bag.write(QStringLiteral("Font"), Font::fromQFont(m_captionFont), ambient);
    bag.write(QStringLiteral("Border"), m_borderStyle, std::int16_t{0});
    bag.write(QStringLiteral("Caption"), m_captionText, kInitialCaption);
    bag.write(QStringLiteral("MaskPicture"), Picture{m_handleMaskPicture.picture}, Picture{});
    bag.write(QStringLiteral("Picture"), Picture{m_backPicture.picture}, Picture{});
    bag.write(QStringLiteral("StrechPicture"), m_strech, kInitialStrech);
    bag.write(QStringLiteral("Value"), m_valueLabel, kInitialValue);
    bag.write(QStringLiteral("MaxValue"), m_max, kInitialMax);
    bag.write(QStringLiteral("HPicture"), Picture{m_handlePicture.picture}, Picture{});
    // Written as text against a Boolean default: the default's own word, in any letter case, is the default.
    const bool maskIsDefault = m_maskBool.compare(platform::boolToText(false), Qt::CaseInsensitive) == 0;
    bag.write(QStringLiteral("Mask"), maskIsDefault ? PropertyValue(false) : PropertyValue(m_maskBool),
              false);
}

// ---- sizing ----

void Glissor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        onShow();
}

void Glissor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    onResize();
}

void Glissor::onShow() {
    // The first real scale. A maximum of 0 gives no scale; the handle then rests at 0.
    m_pixelsPerUnit =
        glissor::scaleFor(faceWidth(), m_handlePicture.pixels.width(), lenientMax()).value_or(0);
    m_handleX = glissor::toCoordinateSaturated(lenientValue() * m_pixelsPerUnit);
    DrawSlider();
}

void Glissor::onResize() {
    placeHandle(Caller::Platform);
}

void Glissor::placeHandle(Caller caller) {
    double value = 0;
    if (auto v = platform::textToNumberStrict(m_valueLabel))
        value = *v;
    else if (caller == Caller::Host)
        throw ControlError(ErrorKind::TypeMismatch);
    else
        value = lenientValue(); // sizing never fails: text that is no number counts as 0 here
    // The position goes through its 15-digit text on the way, as every number of this control does.
    const double p = platform::textToNumberLenient(platform::numberToText(value * m_pixelsPerUnit));
    const double y = faceHeight() / 2.0 - m_handlePicture.pixels.height() / 2.0;
    const auto x = glissor::toCoordinate(p);
    const auto top = glissor::toCoordinate(y);
    if (caller == Caller::Host && (!x || !top))
        throw ControlError(ErrorKind::Overflow);
    m_handleX = x ? *x : glissor::toCoordinateSaturated(p);
    m_handleY = top ? *top : glissor::toCoordinateSaturated(y);
    DrawSlider(caller == Caller::Host ? Present::Now : Present::Scheduled);
}

// ---- mouse ----

namespace {
short buttonsOf(Qt::MouseButtons b) {
    return static_cast<short>((b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
                              (b & Qt::MiddleButton ? 4 : 0));
}
short shiftOf(Qt::KeyboardModifiers m) {
    return static_cast<short>((m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
                              (m & Qt::AltModifier ? 4 : 0));
}
} // namespace

void Glissor::mousePressEvent(QMouseEvent* event) {
    pointerStep(MouseEvent::Down, buttonsOf(event->button()), *event);
}

void Glissor::mouseMoveEvent(QMouseEvent* event) {
    pointerStep(MouseEvent::Move, buttonsOf(event->buttons()), *event);
}

void Glissor::mouseReleaseEvent(QMouseEvent* event) {
    if (!pointerStep(MouseEvent::Up, buttonsOf(event->button()), *event))
        return;
    // A click is a press and a release over the face; the release that ends a double-click raises none.
    const bool doubleClicked = std::exchange(m_doubleClicked, false);
    if (!doubleClicked && rect().contains(event->position().toPoint())) {
        try {
            emit Click();
        } catch (const ControlError&) {
        }
    }
}

// The platform's order for a double-click is MouseDown, MouseUp, Click, DblClick, MouseUp: the second press
// is the face's DblClick, which the control does not raise, so it is neither a MouseDown nor a mouse step.
void Glissor::mouseDoubleClickEvent(QMouseEvent*) {
    m_doubleClicked = true;
}

bool Glissor::pointerStep(MouseEvent which, short buttons, const QMouseEvent& event) {
    const QPointF p = event.position() - QPointF(contentsRect().topLeft());
    const QPointer<Glissor> alive(this);
    // A host handler that fails inside a pointer event has no caller to report to; the event loop must go on.
    try {
        mouseStep(which, buttons, shiftOf(event.modifiers()), static_cast<float>(p.x()),
                  static_cast<float>(p.y()));
    } catch (const ControlError&) {
    }
    return alive;
}

// A handler may delete the control: after each event it raises, the step goes on only while the control
// lives.
void Glissor::mouseStep(MouseEvent which, short Button, short Shift, float X, float Y) {
    const QPointer<Glissor> alive(this);
    switch (which) {
    case MouseEvent::Down:
        emit MouseDown(Button, Shift, X, Y);
        break;
    case MouseEvent::Move:
        emit MouseMove(Button, Shift, X, Y);
        break;
    case MouseEvent::Up:
        emit MouseUp(Button, Shift, X, Y);
        break;
    }
    if (!alive || Button != 1)
        return;
    // With no track (a face as wide as the handle, or no usable maximum) the pointer picks no new value.
    if (auto v = glissor::valueAtPointer(X, m_pixelsPerUnit))
        m_valueLabel = *v;
    if (lenientValue() < 0)
        m_valueLabel = QStringLiteral("0");
    if (lenientMax() < lenientValue())
        m_valueLabel = m_max;
    double newValue = lenientValue();
    emit Change(newValue);
    if (!alive)
        return;
    const short x = glissor::toCoordinateSaturated(lenientValue() * m_pixelsPerUnit);
    m_handleX = glissor::clampHandle(x, m_handlePicture.pixels.width(), faceWidth());
    DrawSlider();
}

// ---- drawing ----

void Glissor::DrawSlider(Present present) {
    const QSize face(faceWidth(), faceHeight());
    if (face.isEmpty()) {
        m_faceImage = QImage();
        update();
        return;
    }
    if (m_faceImage.size() != face)
        m_faceImage = QImage(face, QImage::Format_RGB32);
    m_faceImage.fill(platform::toQColor(m_backColor, palette()));

    QPainter p(&m_faceImage);
    // Background: a flag that does not read as a Boolean stretches, as True does.
    const QImage& back = m_backPicture.pixels;
    if (!back.isNull()) {
        if (platform::textToBoolStrict(m_strech).value_or(true)) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRect(QPoint(0, 0), face), back, back.rect());
            p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        } else {
            p.drawImage(QPoint(0, 0), back);
        }
    }

    // Caption: centred on its measured extent, glyphs only. Strikethrough is not carried over to the face.
    QFont font = m_captionFont;
    font.setStrikeOut(false);
    p.setFont(font);
    p.setPen(platform::toQColor(m_captionColor, palette()));
    const float x = static_cast<float>(face.width() / 2.0 - m_captionExtent.width() / 2.0);
    const float y = static_cast<float>(face.height() / 2.0 - m_captionExtent.height() / 2.0);
    p.drawText(QRectF(x, y, m_captionExtent.width() + 1, m_captionExtent.height()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_captionText);

    // Handle: AND the mask, then OR the handle; or copy the handle. Without a mask picture the handle is
    // copied.
    const QImage& handle = m_handlePicture.pixels;
    const QImage& mask = m_handleMaskPicture.pixels;
    const QPoint at(m_handleX, m_handleY);
    const bool masked = platform::textToBoolStrict(m_maskBool).value_or(true) && !mask.isNull();
    if (masked) {
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(at, mask);
        if (!handle.isNull()) {
            p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            p.drawImage(at, handle);
        }
    } else if (!handle.isNull()) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(at, handle);
    }
    p.end();
    if (present == Present::Now)
        repaintNow(this);
    else
        update();
}

void Glissor::paintEvent(QPaintEvent*) {
    // Presents the retained image; nothing is recomputed here.
    QPainter p(this);
    if (m_borderStyle != 0) {
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QRect inner = contentsRect();
    if (m_faceImage.isNull())
        p.fillRect(inner, platform::toQColor(m_backColor, palette()));
    else
        p.drawImage(inner.topLeft(), m_faceImage);
}

// ---- helpers ----

bool Glissor::notify(const char* name) {
    const QPointer<Glissor> alive(this);
    const QString property = QString::fromLatin1(name);
    notifyChanged(property);
    if (alive)
        emit PropertyChanged(property);
    return alive;
}

void Glissor::measureCaption() {
    const QFontMetricsF metrics(m_captionFont);
    m_captionExtent = QSizeF(metrics.horizontalAdvance(m_captionText), metrics.height());
}

int Glissor::faceWidth() const {
    return contentsRect().width();
}
int Glissor::faceHeight() const {
    return contentsRect().height();
}
double Glissor::lenientValue() const {
    return platform::textToNumberLenient(m_valueLabel);
}
double Glissor::lenientMax() const {
    return platform::textToNumberLenient(m_max);
}
