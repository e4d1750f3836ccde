#include "welcomewindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "console/runcounter.h"
#include "core/twips.h"
#include "skin.h"

namespace player {

namespace {

using platform::TwipsRect;

// The window's own layout, in twips; the welcome line in its bold font takes about 375 pixels.
constexpr TwipsRect kClient{0, 0, 6600, 3480};
constexpr TwipsRect kLabel1{360, 360, 5880, 375};
constexpr TwipsRect kLabel2{360, 960, 5880, 1560};
constexpr TwipsRect kCommand1{4920, 2760, 1320, 420};

} // namespace

WelcomeWindow::WelcomeWindow(std::function<void()> showSplash, QWidget* parent)
    : QWidget(parent, Qt::Window), m_showSplash(std::move(showSplash)) {
    setObjectName(QStringLiteral("Form1")); // the name the program's behaviour knows this window by
    setWindowTitle(QStringLiteral("First run"));
    setWindowIcon(skin::appIcon());
    setFixedSize(platform::toPixels(kClient).size());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setStyleSheet(skin::aboutStyleSheet());

    Label1 = new QLabel(QStringLiteral("Welcome to Olvane Software's Deckmora v2"), this);
    Label1->setGeometry(platform::toPixels(kLabel1));
    Label1->setStyleSheet(QStringLiteral("font-size: 15px; font-weight: bold; color: white;"));
    Label2 = new QLabel(this);
    Label2->setGeometry(platform::toPixels(kLabel2));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setText(QStringLiteral(
        "Thank you for choosing Deckmora. Load songs into the list, send them to deck 1 or deck 2, and mix "
        "with the "
        "volume faders and the crossfader. This note is shown only this once, on the first start."));
    Command1 = new QPushButton(QStringLiteral("Continue"), this);
    Command1->setGeometry(platform::toPixels(kCommand1));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &WelcomeWindow::Command1_Click);
}

void WelcomeWindow::Form_Load() {
    const runcounter::Step step = runcounter::next(runcounter::read());
    runcounter::write(step.stored);
    if (step.firstRun) {
        show();
        return;
    }
    hide();
    if (m_showSplash)
        m_showSplash();
}

void WelcomeWindow::Command1_Click() {
    hide();
    if (m_showSplash)
        m_showSplash();
}

// Closing the welcome window goes on as "Continue" does, so the program never runs without a window.
void WelcomeWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    Command1_Click();
}

} // namespace player
