#include "aboutbox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "sysinfo.h"

namespace glissor {

AboutBox::AboutBox(platform::Prompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts) {
    setWindowTitle(QStringLiteral("About the Glissor Control"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setPixmap(QPixmap::fromImage(icon()));
    picIcon->setFixedSize(32, 32);
    lblTitle = new QLabel(QStringLiteral("Glissor Control"), this);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(QStringLiteral("Version 1.0"), this);
    lblDescription =
        new QLabel(QStringLiteral("A slider control that is much better the the standard one."), this);
    Label1 = new QLabel(QStringLiteral("Part of the Deckmora suite."), this);
    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setLineWidth(1);
    QPalette etched = Line1->palette();
    etched.setColor(QPalette::Dark, QColor(128, 128, 128));
    etched.setColor(QPalette::Light, QColor(255, 255, 255));
    Line1->setPalette(etched);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setAutoDefault(false);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addWidget(lblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label1, 1, Qt::AlignBottom);
    bottom->addLayout(buttons);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(Line1);
    all->addLayout(bottom);
    all->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &AboutBox::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBox::cmdSysInfo_Click);
    Form_Load();
}

QString AboutBox::title() {
    return QStringLiteral("Glissor Control");
}

QString AboutBox::versionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(GLISSOR_VERSION_MAJOR)
        .arg(GLISSOR_VERSION_MINOR)
        .arg(GLISSOR_VERSION_PATCH);
}

QImage AboutBox::icon() {
    // A 16-colour slider: a sunken track and a raised thumb on the dialog grey.
    QImage img(32, 32, QImage::Format_RGB888);
    img.fill(qRgb(192, 192, 192));
    QPainter p(&img);
    p.fillRect(2, 14, 28, 4, QColor(0, 0, 128));
    p.setPen(QColor(128, 128, 128));
    p.drawLine(2, 13, 29, 13);
    p.setPen(QColor(255, 255, 255));
    p.drawLine(2, 18, 29, 18);
    p.fillRect(12, 5, 8, 22, QColor(192, 192, 192));
    p.setPen(QColor(255, 255, 255));
    p.drawLine(12, 5, 19, 5);
    p.drawLine(12, 5, 12, 26);
    p.setPen(QColor(0, 0, 0));
    p.drawLine(19, 5, 19, 26);
    p.drawLine(12, 26, 19, 26);
    return img;
}

void AboutBox::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + title());
    lblVersion->setText(versionText());
    lblTitle->setText(title());
}

void AboutBox::cmdOK_Click() {
    accept();
}

void AboutBox::cmdSysInfo_Click() {
    glissor::StartSysInfo(title(), m_prompts);
}

} // namespace glissor
