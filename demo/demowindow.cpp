#include "demowindow.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "component/controlerror.h"
#include "component/controlhost.h"
#include "core/numbertext.h"
#include "demopictures.h"
#include "glissor/glissorinterface.h"
#include "lumaband/lumabandinterface.h"
#include "propertypanel.h"

DemoWindow::DemoWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Glissor and Lumaband"));

    auto* stage = new QGroupBox(QStringLiteral("Controls"), this);
    auto* stageLayout = new QVBoxLayout(stage);
    stageLayout->addWidget(
        new QLabel(QStringLiteral("Glissor (drag the handle with the left button)"), stage));
    m_glissor = place(glissor::kClassId, QStringLiteral("Glissor"), stage);
    if (m_glissor) {
        m_glissor->setFixedSize(320, 48);
        stageLayout->addWidget(m_glissor);
    }
    stageLayout->addWidget(new QLabel(QStringLiteral("Lumaband (follows the slider)"), stage));
    m_lumaband = place(lumaband::kClassId, QStringLiteral("Lumaband"), stage);
    if (m_lumaband) {
        m_lumaband->setFixedSize(320, 24);
        stageLayout->addWidget(m_lumaband);
    }
    auto* about = new QPushButton(QStringLiteral("About Glissor..."), stage);
    about->setEnabled(m_glissor != nullptr);
    connect(about, &QPushButton::clicked, this,
            [this] { QMetaObject::invokeMethod(m_glissor, "ShowAboutBox"); });
    stageLayout->addWidget(about, 0, Qt::AlignLeft);
    lstEvents = new QListWidget(stage);
    stageLayout->addWidget(new QLabel(QStringLiteral("Events"), stage));
    stageLayout->addWidget(lstEvents, 1);

    auto* properties = new QGroupBox(QStringLiteral("Properties"), this);
    auto* propertiesLayout = new QVBoxLayout(properties);
    cboTarget = new QComboBox(properties);
    cboTarget->setObjectName(QStringLiteral("cboTarget"));
    if (m_glissor)
        cboTarget->addItem(QStringLiteral("Glissor"));
    if (m_lumaband)
        cboTarget->addItem(QStringLiteral("Lumaband"));
    propertiesLayout->addWidget(cboTarget);
    m_panel = new PropertyPanel(properties);
    propertiesLayout->addWidget(m_panel, 1);
    connect(cboTarget, &QComboBox::activated, this, &DemoWindow::cboTarget_Activated);

    auto* all = new QHBoxLayout(this);
    all->addWidget(stage);
    all->addWidget(properties, 1);

    if (m_lumaband) {
        m_lumaband->setProperty("StartColor", 0x00603010u); // 0x00BBGGRR
        m_lumaband->setProperty("EndColor", 0x0040C0FFu);
        m_lumaband->setProperty("ShowPercent", true);
    }
    if (m_glissor) {
        // A slider dressed in pictures: a dark face and a round handle cut out by its mask.
        m_glissor->setProperty("Picture", QPixmap::fromImage(demo::face(320, 48)));
        m_glissor->setProperty("MaskPicture", QPixmap::fromImage(demo::roundHandleMask(21, 21)));
        m_glissor->setProperty("HPicture", QPixmap::fromImage(demo::roundHandle(21, 21)));
        m_glissor->setProperty("Mask", true);
        m_glissor->setProperty("ForeColor", 0x00E0E0E0u);
        m_glissor->setProperty("Caption", QStringLiteral("Level"));
        connect(m_glissor, SIGNAL(Change(double&)), this, SLOT(Glissor_Change(double&)));
        connect(m_glissor, SIGNAL(Click()), this, SLOT(Glissor_Click()));
        connect(m_glissor, SIGNAL(MouseDown(short&, short&, float&, float&)), this,
                SLOT(Glissor_MouseDown(short&, short&, float&, float&)));
        connect(m_glissor, SIGNAL(MouseUp(short&, short&, float&, float&)), this,
                SLOT(Glissor_MouseUp(short&, short&, float&, float&)));
        connect(m_glissor, SIGNAL(PropertyChanged(QString)), this, SLOT(Glissor_PropertyChanged(QString)));
        m_glissor->setProperty("Value", 6.0);
    }
    cboTarget_Activated(0);
}

QWidget* DemoWindow::place(const char* clsid, const QString& name, QWidget* parent) {
    QString why;
    QWidget* w = platform::component::createControl(QString::fromLatin1(clsid), parent, {}, &why);
    if (!w) {
        auto* missing = new QLabel(QStringLiteral("%1 is not available: %2").arg(name, why), parent);
        missing->setWordWrap(true);
        parent->layout()->addWidget(missing);
    }
    return w;
}

void DemoWindow::cboTarget_Activated(int) {
    m_panel->setTarget(cboTarget->currentText() == QLatin1String("Lumaband") ? m_lumaband : m_glissor);
}

void DemoWindow::log(const QString& line) {
    lstEvents->addItem(line);
    lstEvents->scrollToBottom();
}

void DemoWindow::Glissor_Change(double& NewValue) {
    log(QStringLiteral("Change %1").arg(platform::numberToText(NewValue)));
    if (!m_lumaband)
        return;
    try {
        const double max = m_glissor->property("MaxValue").toDouble();
        const int lo = m_lumaband->property("Min").toInt();
        const int hi = m_lumaband->property("Max").toInt();
        if (max > 0)
            m_lumaband->setProperty("Value",
                                    static_cast<short>(std::lround(lo + (hi - lo) * NewValue / max)));
    } catch (const platform::component::ControlError& e) {
        log(QStringLiteral("Lumaband: %1").arg(e.message()));
    }
    m_panel->refresh();
}

void DemoWindow::Glissor_Click() {
    log(QStringLiteral("Click"));
}

void DemoWindow::Glissor_MouseDown(short& Button, short& Shift, float& X, float& Y) {
    log(QStringLiteral("MouseDown %1 %2 %3 %4").arg(Button).arg(Shift).arg(X).arg(Y));
}

void DemoWindow::Glissor_MouseUp(short& Button, short& Shift, float& X, float& Y) {
    log(QStringLiteral("MouseUp %1 %2 %3 %4").arg(Button).arg(Shift).arg(X).arg(Y));
}

void DemoWindow::Glissor_PropertyChanged(const QString& name) {
    log(QStringLiteral("PropertyChanged %1").arg(name));
}
