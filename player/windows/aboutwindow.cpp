#include "aboutwindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "console/runcounter.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/twips.h"
#include "skin.h"
#include "ui/progressbar.h"
#include "ui/windowplace.h"

namespace player {

namespace {

using platform::TwipsRect;

constexpr auto kDebugWord = "zqvk";
constexpr int kDrawIntervalMs = 200;

// The window's own layout, in twips. Text1 lies below the visible client area.
constexpr TwipsRect kClient{0, 0, 7200, 6015};
constexpr TwipsRect kText1{120, 6120, 1455, 285};
constexpr TwipsRect kPB{120, 1800, 6975, 375};
constexpr TwipsRect kLabel2{120, 120, 855, 255};
constexpr TwipsRect kLblLoad{240, 2400, 6720, 375};
constexpr TwipsRect kLblCredits{360, 2400, 6480, 2520};
constexpr TwipsRect kLabel1{240, 5520, 3840, 255};
constexpr TwipsRect kCmdOk{5880, 5460, 1095, 375};

} // namespace

AboutWindow::AboutWindow(std::function<void()> showMain, QWidget* parent)
    : QWidget(parent, Qt::Window), m_showMain(std::move(showMain)) {
    setObjectName(QStringLiteral("frmAbout")); // the name the program's behaviour knows this window by
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(skin::appIcon());
    setFixedSize(platform::toPixels(kClient).size());
    setStyleSheet(skin::aboutStyleSheet());

    // First in the tab order, so it holds the focus while the window is up.
    Text1 = new QLineEdit(this);
    Text1->setGeometry(platform::toPixels(kText1));
    Timer2 = new QTimer(this);
    Timer2->setInterval(kDrawIntervalMs);
    Timer1 = new QTimer(this);
    PB = new platform::ProgressBar(this);
    PB->setGeometry(platform::toPixels(kPB));
    PB->setBarColor(skin::deckColour(0));
    CmdOk = new QPushButton(QStringLiteral("Ok"), this);
    CmdOk->setGeometry(platform::toPixels(kCmdOk));
    CmdOk->hide();
    Label2 = new QLabel(QStringLiteral("0"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(platform::toPixels(kLabel2));
    lblLoad = new QLabel(QStringLiteral("Please wait, Deckmora is loading"), this);
    lblLoad->setGeometry(platform::toPixels(kLblLoad));
    lblCredits = new QLabel(this);
    lblCredits->setGeometry(platform::toPixels(kLblCredits));
    lblCredits->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCredits->hide();
    Label1 = new QLabel(QStringLiteral("version 2.0.1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(platform::toPixels(kLabel1));

    connect(Timer1, &QTimer::timeout, this, &AboutWindow::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &AboutWindow::Timer2_Timer);
    connect(CmdOk, &QPushButton::clicked, this, &AboutWindow::CmdOk_Click);
    Timer2->start();
    // The about window opens where the splash was.
    platform::keepPlace(this);
}

bool AboutWindow::debugWordOn() const {
    return Text1->text() == QLatin1String(kDebugWord);
}

void AboutWindow::Form_Load() {
    Label2->setText(runcounter::read());
    Label1->setText(QStringLiteral("Version %1.%2.%3")
                        .arg(DECKMORA_VERSION_MAJOR)
                        .arg(DECKMORA_VERSION_MINOR)
                        .arg(DECKMORA_VERSION_PATCH));
    lblCredits->setText(QStringList{QStringLiteral("Programmed by Ruben Vastelaar"), QString(),
                                    QStringLiteral("Tested by Ilse Marjoram"),
                                    QStringLiteral("         Tomas Quell"), QString(),
                                    QStringLiteral("Distributed by Olvane Software, www.olvane.example")}
                            .join(QStringLiteral("\r\n")));
}

// A new pace for the loading bar; a draw of 0 halts it until the next draw.
void AboutWindow::Timer2_Timer() {
    const int interval = platform::roundToInt(100 * platform::rnd().next());
    if (interval == 0)
        Timer1->stop();
    else
        Timer1->start(interval);
}

void AboutWindow::Timer1_Timer() {
    const float value = PB->value();
    if (value < 100) {
        PB->setValue(value + 1);
        return;
    }
    if (m_showMain)
        m_showMain();
    hide();
    CmdOk->show();
    PB->hide();
    lblLoad->hide();
    lblCredits->show();
    Timer1->stop();
    Timer2->stop();
    m_aboutMode = true;
}

void AboutWindow::CmdOk_Click() {
    hide();
}

void AboutWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_skin.isNull() || m_skin.devicePixelRatio() != devicePixelRatioF())
        m_skin = skin::aboutBackground(size(), devicePixelRatioF());
    p.drawPixmap(0, 0, m_skin);
}

void AboutWindow::showEvent(QShowEvent*) {
    if (!m_aboutMode)
        Text1->setFocus();
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

// During the splash a close is ignored and loading goes on; the about window only hides.
void AboutWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (m_aboutMode)
        hide();
}

} // namespace player
