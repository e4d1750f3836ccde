#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "component/control.h"
#include "glissor/glissor_export.h"
#include "glissor/glissorinterface.h"

// A horizontal slider drawn entirely from pictures: a background for the face, a handle that slides along it
// and an optional AND/OR mask that makes the handle's surroundings transparent, with a caption centred on the
// face.
//
// Value, maximum and the two flags are held as text and converted on every use, so a stored form restores
// exactly the text it held. Property assignments notify the host (PropertyChanged) and redraw at once: the
// new face is on the screen before the assignment returns. Failures come back to the caller as
// platform::component::ControlError. Events pass their arguments by reference: connect with a direct
// connection, and a handler that changes Button or X changes what the control does next.
class GLISSOR_EXPORT Glissor : public QWidget,
                               public platform::component::Control,
                               public platform::component::ControlSiteHolder {
    Q_OBJECT
    // Late-bound access (Qt's property system, and so Designer and QUiLoader) never throws: a refused
    // assignment raises Error instead, and a read gives the reading the face draws with. MaxValue comes
    // before Value so that a form written in declaration order (as Designer writes it) sets the range before
    // the value.
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE writeBackColor)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE writeForeColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE writeEnabled)
    Q_PROPERTY(QFont Font READ Font WRITE writeFont)
    Q_PROPERTY(bool Border READ Border WRITE writeBorder)
    Q_PROPERTY(QString Caption READ Caption WRITE writeCaption)
    Q_PROPERTY(QPixmap MaskPicture READ maskPictureProperty WRITE writeMaskPicture)
    Q_PROPERTY(QPixmap Picture READ pictureProperty WRITE writePicture)
    Q_PROPERTY(bool StrechPicture READ readStrechPicture WRITE writeStrechPicture)
    Q_PROPERTY(bool Mask READ readMask WRITE writeMask)
    Q_PROPERTY(double MaxValue READ readMaxValue WRITE writeMaxValue)
    Q_PROPERTY(double Value READ readValue WRITE writeValue)
    Q_PROPERTY(QPixmap HPicture READ hPictureProperty WRITE writeHPicture)

public:
    using OleColor = std::uint32_t;

    static constexpr const char* kClassId = glissor::kClassId;
    static constexpr const char* kProgId = glissor::kProgId;

    explicit Glissor(QWidget* parent = nullptr);
    ~Glissor() override;

    // Properties, in the order of the control's interface. Getters of Value, MaxValue, StrechPicture and Mask
    // read their text strictly and throw a TypeMismatch ControlError when it does not convert.
    OleColor BackColor() const;
    void setBackColor(OleColor New_BackColor);
    OleColor ForeColor() const;
    void setForeColor(OleColor New_ForeColor);
    bool Enabled() const;
    void setEnabledState(bool New_Enabled);
    QFont Font() const;
    void setCaptionFont(const QFont& New_Font);
    bool Border() const;
    void setBorder(bool New_Border);
    QString Caption() const;
    void setCaption(const QString& New_Caption);
    QImage MaskPicture() const;
    void setMaskPicture(const QImage& New_MaskPicture);
    QImage Picture() const;
    void setPicture(const QImage& New_Picture);
    bool StrechPicture() const;
    void setStrechPicture(bool New_StrechPicture);
    bool Mask() const;
    void setMask(bool New_Mask);
    using QWidget::setMask; // the window mask keeps its own overloads
    double Value() const;
    void setValue(double New_Value);
    double MaxValue() const;
    void setMaxValue(double New_MaxValue);
    QImage HPicture() const;
    void setHPicture(const QImage& New_HPicture);

    // The names uic's generated code calls (set<Name> of each designable property, pictures as pixmaps): they
    // reach the members above, not QWidget's namesakes.
    void setEnabled(bool New_Enabled) { setEnabledState(New_Enabled); }
    void setFont(const QFont& New_Font) { setCaptionFont(New_Font); }
    void setMaskPicture(const QPixmap& New_MaskPicture) { setMaskPicture(New_MaskPicture.toImage()); }
    void setPicture(const QPixmap& New_Picture) { setPicture(New_Picture.toImage()); }
    void setHPicture(const QPixmap& New_HPicture) { setHPicture(New_HPicture.toImage()); }

    // Recomputes the handle position from the current value and redraws.
    Q_INVOKABLE void UpdateSlider();
    // Shows a fresh about box, modally over the control.
    Q_INVOKABLE void ShowAboutBox();

    // The control model. The host's property store: restoring a placed control and saving its form. Keys,
    // types and defaults are fixed because stored forms depend on them.
    QWidget* widget() override { return this; }
    void setSite(platform::component::ControlSite* site) override;
    void initNew() override;
    void readProperties(const platform::component::PropertyBag& bag) override;
    void writeProperties(platform::component::PropertyBag& bag) const override;

    // Read-only views of the internal state, for hosts' diagnostics and for tests.
    QString valueText() const { return m_valueLabel; }
    QString maxText() const { return m_max; }
    QString strechText() const { return m_strech; }
    QString maskText() const { return m_maskBool; }
    QSizeF captionExtent() const { return m_captionExtent; }
    double pixelsPerUnit() const { return m_pixelsPerUnit; }
    short handleX() const { return m_handleX; }
    short handleY() const { return m_handleY; }
    // The retained image of the face, as last drawn.
    const QImage& faceImage() const { return m_faceImage; }

    // The built-in thumb a new control starts with, and the image design tools show in their toolbox.
    static QImage defaultThumb();
    static QImage toolboxImage();

    QSize sizeHint() const override;

signals:
    void Click();
    void MouseDown(short& Button, short& Shift, float& X, float& Y);
    void MouseMove(short& Button, short& Shift, float& X, float& Y);
    void MouseUp(short& Button, short& Shift, float& X, float& Y);
    void Change(double& NewValue);
    // After every property assignment, with the property's name: the host marks its stored form as changed.
    void PropertyChanged(const QString& name);
    // A late-bound assignment was refused (the control keeps what it had): the run-time error's number and
    // text, as a direct call would have thrown them.
    void Error(int Number, const QString& Description);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Pictures reach design environments as pixmaps, the type their property editors know.
    QPixmap maskPictureProperty() const { return QPixmap::fromImage(MaskPicture()); }
    QPixmap pictureProperty() const { return QPixmap::fromImage(Picture()); }
    QPixmap hPictureProperty() const { return QPixmap::fromImage(HPicture()); }
    bool readStrechPicture() const;
    bool readMask() const;
    double readMaxValue() const;
    double readValue() const;
    template <class Step> void lateBound(Step step);
    void writeBackColor(quint32 v);
    void writeForeColor(quint32 v);
    void writeEnabled(bool v);
    void writeFont(const QFont& v);
    void writeBorder(bool v);
    void writeCaption(const QString& v);
    void writeMaskPicture(const QPixmap& v);
    void writePicture(const QPixmap& v);
    void writeStrechPicture(bool v);
    void writeMask(bool v);
    void writeMaxValue(double v);
    void writeValue(double v);
    void writeHPicture(const QPixmap& v);

    enum class MouseEvent { Down, Move, Up };
    // Who asked for a handle placement: the host gets errors back, the platform's own events must never fail.
    enum class Caller { Host, Platform };
    // A property change shows its face before it returns; the platform's own notifications paint in their
    // turn.
    enum class Present { Now, Scheduled };

    void onShow();
    void onResize();
    // False when a handler deleted the control.
    bool pointerStep(MouseEvent which, short buttons, const QMouseEvent& event);
    void mouseStep(MouseEvent which, short Button, short Shift, float X, float Y);
    void placeHandle(Caller caller);
    void DrawSlider(Present present = Present::Scheduled);
    // Tells the host; false when its handler deleted the control, which must then touch nothing of itself.
    bool notify(const char* name);
    void measureCaption();
    int faceWidth() const;
    int faceHeight() const;
    double lenientValue() const;
    double lenientMax() const;

    // The face.
    OleColor m_backColor;
    bool m_enabled = true;
    short m_borderStyle = 0;
    // Text fields, converted on every use.
    QString m_valueLabel;
    QString m_max;
    QString m_strech;
    QString m_maskBool;
    // The caption with its font, colour and measured extent.
    QString m_captionText;
    QFont m_captionFont;
    OleColor m_captionColor;
    QSizeF m_captionExtent;
    // Picture holders: what the host handed over, and its rendering in 24-bit colour for the raster
    // operations.
    struct PictureHolder {
        QImage picture;
        QImage pixels;
        void assign(const QImage& image);
    };
    PictureHolder m_backPicture;
    PictureHolder m_handlePicture;
    PictureHolder m_handleMaskPicture;
    // Computed by the sizing steps, read by the mouse steps.
    double m_pixelsPerUnit = 0;
    short m_handleX = 0;
    short m_handleY = 0;
    // The second press of a double-click is no press of its own: its release raises no Click.
    bool m_doubleClicked = false;

    QImage m_faceImage;
};
