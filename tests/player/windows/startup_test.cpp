// Start-up, the splash and about window, the main window as a window and its skin.
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "console/runcounter.h"
#include "console/windowsize.h"
#include "core/random.h"
#include "core/settingsstore.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "program.h"
#include "scriptedprompts.h"
#include "ui/imagebutton.h"
#include "ui/progressbar.h"
#include "ui/qtprompts.h"
#include "ui/slider.h"
#include "ui/windowplace.h"
#include "windows/aboutwindow.h"
#include "windows/clicklabel.h"
#include "windows/mainlayout.h"
#include "windows/mainwindow.h"
#include "windows/skin.h"
#include "windows/switchbutton.h"
#include "windows/ticks.h"
#include "windows/welcomewindow.h"

using namespace player;

using mainlayout::Item;
using platform::Answer;

namespace {

void storeCounter(const QString& text) {
    platform::SettingsStore::write(runcounter::appName(), QStringLiteral("Runnings"), QStringLiteral("Now"),
                                   text);
}

// Runs the loading bar to its end: 100 steps and the final tick.
void finishLoading(AboutWindow& about) {
    for (int i = 0; i < 101; ++i)
        about.Timer1_Timer();
}

class StartupTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline();
    ScriptedPrompts prompts;
};

} // namespace

TEST(RunCounter, NextStep) {
    struct Case {
        QString stored;
        bool firstRun;
        QString next;
    };
    const Case cases[] = {
        {QString(), true, QStringLiteral("1")},
        {QStringLiteral("1"), false, QStringLiteral("2")},
        {QStringLiteral("7"), false, QStringLiteral("8")},
        {QStringLiteral(" 41 "), false, QStringLiteral("42")},
        {QStringLiteral("7.5"), false, QStringLiteral("8")}, // 8.5 rounds to the even 8
        {QStringLiteral("6.5"), false, QStringLiteral("8")}, // 7.5 rounds to the even 8
        // a hand-edited or corrupt counter starts over instead of failing the start
        {QStringLiteral("seven"), true, QStringLiteral("1")},
        {QStringLiteral("7x"), true, QStringLiteral("1")},
        {QStringLiteral("nan"), true, QStringLiteral("1")},
        {QStringLiteral("1e300"), true, QStringLiteral("1")},
        {QStringLiteral("9007199254740993"), true, QStringLiteral("1")},
        {QStringLiteral("999999999999998"), false, QStringLiteral("999999999999999")},
    };
    for (const Case& c : cases) {
        const runcounter::Step s = runcounter::next(c.stored);
        EXPECT_EQ(s.firstRun, c.firstRun) << c.stored.toStdString();
        EXPECT_EQ(s.stored, c.next) << c.stored.toStdString();
    }
}

// No counter, or one that is no number: the welcome waits for Continue, then the about window counts one.
TEST_F(StartupTest, FirstRunWaitsForContinueAndTheAboutWindowShowsOne) {
    for (const QString& stored : {QString(), QStringLiteral("lots")}) {
        storeCounter(stored);
        Program program(*engine);
        program.start();
        EXPECT_EQ(runcounter::read(), QStringLiteral("1"));
        EXPECT_TRUE(program.welcome().isVisible());
        EXPECT_FALSE(program.about().isVisible());

        program.welcome().Command1->click();
        EXPECT_FALSE(program.welcome().isVisible());
        EXPECT_TRUE(program.about().isVisible());
        EXPECT_EQ(program.about().Label2->text(), QStringLiteral("1"));
    }
}

TEST_F(StartupTest, LoadingBarTakesHundredStepsAndOneFinalTick) {
    storeCounter(QStringLiteral("3"));
    Program program(*engine);
    program.start();
    AboutWindow& about = program.about();
    for (int i = 1; i <= 100; ++i) {
        about.Timer1_Timer();
        ASSERT_EQ(about.PB->value(), static_cast<float>(i));
    }
    EXPECT_FALSE(program.hasMainWindow());
    EXPECT_TRUE(about.lblLoad->isVisible());
    EXPECT_FALSE(about.CmdOk->isVisible());

    about.Timer1_Timer();
    ASSERT_TRUE(program.hasMainWindow());
    EXPECT_TRUE(program.mainWindow().isVisible());
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(about.aboutMode());
    EXPECT_FALSE(about.PB->isVisibleTo(&about));
    EXPECT_FALSE(about.lblLoad->isVisibleTo(&about));
    EXPECT_TRUE(about.CmdOk->isVisibleTo(&about));
    EXPECT_TRUE(about.lblCredits->isVisibleTo(&about));
    EXPECT_FALSE(about.Timer1->isActive());
    EXPECT_FALSE(about.Timer2->isActive());
}

TEST_F(StartupTest, IntervalDrawOfZeroHaltsTheBar) {
    AboutWindow about({});
    // Find seeds whose first draw gives round(100 r) = 0 and 37.
    auto seedFor = [](auto want) {
        for (std::uint64_t s = 0; s < 100000; ++s) {
            platform::rnd().seed(s);
            if (want(platform::rnd().next())) {
                platform::rnd().seed(s);
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(seedFor([](double r) { return r * 100 > 36.5 && r * 100 < 37.5; }));
    about.Timer2_Timer();
    EXPECT_TRUE(about.Timer1->isActive());
    EXPECT_EQ(about.Timer1->interval(), 37);

    ASSERT_TRUE(seedFor([](double r) { return r * 100 < 0.5; }));
    about.Timer2_Timer();
    EXPECT_FALSE(about.Timer1->isActive());
    EXPECT_EQ(about.PB->value(), 0.0f);
    EXPECT_EQ(about.Timer2->interval(), 200);
}

TEST_F(StartupTest, DebugWordKeepsTheWorkAreaAndShowsBothLevels) {
    struct Case {
        QString typed;
        bool on;
    };
    const Case cases[] = {{QStringLiteral("zqvk"), true},
                          {QStringLiteral("ZQVK"), false},
                          {QStringLiteral("zqvkk"), false},
                          {QStringLiteral("zqv"), false},
                          {QString(), false}};
    for (const Case& c : cases) {
        storeCounter(QStringLiteral("2"));
        Program program(*engine);
        program.start();
        QTest::keyClicks(program.about().Text1, c.typed);
        EXPECT_EQ(program.about().debugWordOn(), c.on) << c.typed.toStdString();
        if (c.on)
            prompts.answer(Answer::Ok);
        finishLoading(program.about());
        MainWindow& w = program.mainWindow();
        EXPECT_EQ(w.width(), c.on ? 698 : 534) << c.typed.toStdString();
        EXPECT_EQ(w.height(), 397);
        if (c.on) {
            ASSERT_EQ(prompts.count(), 1);
            EXPECT_EQ(prompts.last().text, QStringLiteral("0\r\n0"));
            EXPECT_EQ(prompts.last().title, QStringLiteral("Deckmora"));
            EXPECT_EQ(prompts.last().buttons, platform::Buttons::Ok);
        }
        EXPECT_EQ(w.elementsForTest().lblCaption->text(), QStringLiteral("Olvane Software - Deckmora v2"));
        prompts.clear();
    }
}

// A later run counts on without the welcome; the about window it opens with hides on OK and comes back the
// same, with the count read once at start.
TEST_F(StartupTest, AboutWindowHidesOnOkAndComesBackTheSame) {
    storeCounter(QStringLiteral("7"));
    Program program(*engine);
    program.start();
    EXPECT_EQ(runcounter::read(), QStringLiteral("8"));
    EXPECT_FALSE(program.welcome().isVisible());
    AboutWindow& about = program.about();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.Label1->text(), QStringLiteral("Version 2.0.1"));
    EXPECT_EQ(about.lblCredits->text().split(QStringLiteral("\r\n")).size(), 6);
    EXPECT_GE(about.Text1->geometry().top(), about.height()); // typed unseen
    finishLoading(about);
    MainWindow& w = program.mainWindow();
    w.About_Click();
    ASSERT_TRUE(about.isVisible());
    const QStringList before = {about.Label2->text(), about.Label1->text(), about.lblCredits->text()};
    about.CmdOk->click();
    EXPECT_FALSE(about.isVisible());
    storeCounter(QStringLiteral("99"));
    w.elementsForTest().About->clicked();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ((QStringList{about.Label2->text(), about.Label1->text(), about.lblCredits->text()}), before);
    EXPECT_EQ(about.Label2->text(), QStringLiteral("8"));
}

TEST_F(StartupTest, SystemCloseOfEveryWindowKeepsAWindowReachable) {
    storeCounter(QString());
    Program program(*engine);
    program.start();
    // the welcome window closed goes on as "Continue"
    EXPECT_FALSE(program.welcome().close());
    EXPECT_FALSE(program.welcome().isVisible());
    AboutWindow& about = program.about();
    EXPECT_TRUE(about.isVisible());
    // the splash ignores a close and goes on loading
    EXPECT_FALSE(about.close());
    EXPECT_TRUE(about.isVisible());
    EXPECT_TRUE(about.Timer2->isActive());
    finishLoading(about);
    // the about window hides
    program.mainWindow().About_Click();
    EXPECT_FALSE(about.close());
    EXPECT_FALSE(about.isVisible());
    // the main window asks first, closed by the window system or by either of its buttons; No keeps it
    MainWindow& w = program.mainWindow();
    auto& ui = w.elementsForTest();
    int quits = 0;
    w.setQuitAction([&] { ++quits; });
    prompts.answer(Answer::No).answer(Answer::No);
    EXPECT_FALSE(w.close());
    ui.Close[1]->clicked();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(quits, 0);
    ASSERT_EQ(prompts.count(), 2);
    const auto& r = prompts.last();
    EXPECT_EQ(r.text, QStringLiteral("Are you sure you want to close Deckmora?"));
    EXPECT_EQ(r.title, QStringLiteral("Deckmora"));
    EXPECT_EQ(r.buttons, platform::Buttons::YesNo);
    EXPECT_EQ(r.icon, platform::Icon::Question);
    prompts.answer(Answer::Yes).answer(Answer::Yes);
    w.close();
    ui.Close[0]->clicked();
    EXPECT_EQ(quits, 2);
}

TEST_F(StartupTest, MinimiseAndTaskBarCaption) {
    MainWindow w(*engine);
    w.show();
    w.Timer1_Timer();
    EXPECT_EQ(w.windowTitle(), QString());
    w.elementsForTest().Min->clicked();
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    w.Timer1_Timer();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Deckmora"));
    w.setWindowState(Qt::WindowNoState);
    w.Timer1_Timer();
    EXPECT_EQ(w.windowTitle(), QString());
}

// The caption is the drag handle for every button. Where the window system does not move the window (this
// platform, and the right and middle buttons everywhere) the window follows the pointer itself, until the
// button that started the move comes up; another button's release does not end it, and afterwards the
// pointer moves alone.
TEST_F(StartupTest, CaptionDragFollowsThePointerUntilItsButtonComesUp) {
    MainWindow w(*engine);
    w.show();
    w.move(200, 150);
    QLabel* caption = w.elementsForTest().lblCaption;
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint global) {
        QMouseEvent e(type, caption->mapFromGlobal(global), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(caption, &e);
    };
    for (const Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton, Qt::LeftButton}) {
        const QPoint start = w.pos();
        const QPoint grab = caption->mapToGlobal(QPoint(20, 8));
        send(QEvent::MouseButtonPress, b, b, grab);
        send(QEvent::MouseMove, Qt::NoButton, b, grab + QPoint(40, 25));
        EXPECT_EQ(w.pos(), start + QPoint(40, 25)) << b;
        const Qt::MouseButton other = b == Qt::LeftButton ? Qt::RightButton : Qt::LeftButton;
        send(QEvent::MouseButtonRelease, other, b, grab + QPoint(40, 25));
        send(QEvent::MouseMove, Qt::NoButton, b, grab + QPoint(60, 35));
        EXPECT_EQ(w.pos(), start + QPoint(60, 35)) << b;
        send(QEvent::MouseButtonRelease, b, Qt::NoButton, grab + QPoint(60, 35));
        send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, grab + QPoint(200, 100));
        EXPECT_EQ(w.pos(), start + QPoint(60, 35)) << b;
    }
}

// The application is "Deckmora" wherever the desktop names it, and every window and box has its icon.
TEST(ProgramName, DisplayNameDesktopFileAndIcon) {
    Program::nameApplication();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Deckmora"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("deckmora"));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

// The debug word's box belongs to the main window, not to the splash that is still up when it comes, and
// looks like every other box: none of the splash's colours, room for its title.
TEST_F(StartupTest, TheDebugBoxSitsOverTheMainWindowInThePlainLook) {
    Program::nameApplication();
    storeCounter(QStringLiteral("2"));
    Program program(*engine);
    program.start();
    QTest::keyClicks(program.about().Text1, QStringLiteral("zqvk"));
    platform::QtPrompts qt;
    platform::Prompts* scripted = platform::setPrompts(&qt);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->parentWidget(), &program.mainWindow());
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Deckmora"));
        EXPECT_GE(box->width(), platform::titleBarWidth(box->windowTitle()));
        const QPalette plain = QApplication::palette();
        for (QLabel* l : box->findChildren<QLabel*>())
            EXPECT_EQ(l->palette().color(QPalette::WindowText), plain.color(QPalette::WindowText));
        for (QPushButton* b : box->findChildren<QPushButton*>())
            EXPECT_EQ(b->palette().color(QPalette::Button), plain.color(QPalette::Button));
        box->accept();
    });
    finishLoading(program.about());
    platform::setPrompts(scripted);
    EXPECT_TRUE(seen);
}

// A press on the place the table gives an element reaches that element: nothing lies over it, and no element
// took another one's place. (The work area right of the face is out of the window's reach.)
TEST_F(StartupTest, APressOnEachElementsPlaceReachesIt) {
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    w.show();
    const std::vector<std::pair<QWidget*, Item>> placed = {
        {ui.lblCaption, Item::lblCaption},
        {ui.Min, Item::Min},
        {ui.Close[0], Item::Close0},
        {ui.Close[1], Item::Close1},
        {ui.About, Item::About},
        {ui.SongInfo[0], Item::SongInfo0},
        {ui.SongInfo[1], Item::SongInfo1},
        {ui.PB1[0], Item::PB1_0},
        {ui.PB1[1], Item::PB1_1},
        {ui.Vorig[0], Item::Vorig0},
        {ui.Play[0], Item::Play0},
        {ui.Pause[0], Item::Pause0},
        {ui.Stop[0], Item::Stop0},
        {ui.Volgend[0], Item::Volgend0},
        {ui.Vorig[1], Item::Vorig1},
        {ui.Play[1], Item::Play1},
        {ui.Pause[1], Item::Pause1},
        {ui.Stop[1], Item::Stop1},
        {ui.Volgend[1], Item::Volgend1},
        {ui.LoadToPlayer[0], Item::LoadToPlayer0},
        {ui.LoadToPlayer[1], Item::LoadToPlayer1},
        {ui.Cue[0], Item::Cue0},
        {ui.Cue[1], Item::Cue1},
        {ui.Rec, Item::Rec},
        {ui.lblRec, Item::lblRec},
        {ui.Vol[0], Item::Vol0},
        {ui.Vol[1], Item::Vol1},
        {ui.volMain, Item::volMain},
        {ui.lstnames, Item::lstnames},
        {ui.Search, Item::Search},
        {ui.lblsearch, Item::lblsearch},
        {ui.lblnrs, Item::lblnrs},
        {ui.Add, Item::Add},
        {ui.Remove, Item::Remove},
        {ui.Clear, Item::Clear},
        {ui.New, Item::New},
        {ui.Open, Item::Open},
        {ui.Save, Item::Save},
        {ui.edit, Item::edit},
        {ui.chbgoon, Item::chbgoon},
        {ui.chbrandom, Item::chbrandom},
        {ui.lblSound, Item::lblSound},
    };
    for (const auto& [widget, item] : placed) {
        const QPoint centre = platform::toPixels(mainlayout::rect(item)).center();
        QWidget* hit = w.childAt(centre);
        while (hit && hit->parentWidget() != &w && hit != widget)
            hit = hit->parentWidget();
        EXPECT_EQ(hit, widget) << int(item);
        // a button carries its tip, whatever key names follow it
        if (const char* tip = mainlayout::entry(item).tip) {
            EXPECT_TRUE(widget->toolTip().startsWith(QString::fromUtf8(tip))) << int(item);
        }
    }
    // the places the behaviour fixes, in twips
    EXPECT_EQ(ui.PB1[1]->geometry(), QRect(320, 80, 185, 17));
    EXPECT_EQ(ui.lstFiles->geometry(), QRect(552, 152, 129, 147));
    EXPECT_EQ(ui.Search->geometry(), QRect(232, 248, 65, 25));
    EXPECT_EQ(ui.lblsearch->geometry(), QRect(0, 263, 537, 25));
}

// The volume sliders open at the bottom, yet the decks play at full level until a slider moves; the auto-mix
// is off; the display ticks about 30 times a second from the start.
TEST_F(StartupTest, TheSlidersPlacesAreNotAppliedAtStart) {
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    EXPECT_EQ(ui.Vol[1]->value(), -5000);
    EXPECT_EQ(ui.volMain->value(), 50);
    for (int d = 0; d < 2; ++d)
        EXPECT_EQ(ui.MP[d]->level(), 0) << d;
    EXPECT_FALSE(ui.chbgoon->isChecked());
    EXPECT_FALSE(ui.chbrandom->isChecked());
    EXPECT_EQ(ui.chbgoon->text(), QStringLiteral("Go on playing..."));
    EXPECT_EQ(ui.chbrandom->text(), QStringLiteral("Random playing"));
    EXPECT_EQ(ui.lblWerkgebied->text(), QStringLiteral("werkgebied"));
    EXPECT_TRUE(ui.Timer1->isActive());
    EXPECT_TRUE(ui.Timer2->isActive());
    EXPECT_NEAR(1000.0 / ui.Timer1->interval(), 30.0, 1.0);
}

// A press with the right button on the song list selects the entry under the pointer, as the left one does,
// at every size of the window.
TEST_F(StartupTest, RightPressOnTheSongListSelectsTheEntryUnderThePointer) {
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    w.show();
    for (const char* n : {"a", "b", "c"}) {
        ui.lstnames->addItem(QString::fromLatin1(n));
        ui.lstFiles->addItem(QString::fromLatin1(n));
    }
    for (const int percent : {100, 175}) {
        w.showAtSize(percent);
        ui.lstnames->setCurrentRow(0);
        const QPoint onThird = ui.lstnames->visualItemRect(ui.lstnames->item(2)).center();
        QTest::mousePress(ui.lstnames->viewport(), Qt::RightButton, {}, onThird);
        ui.mnuPlaylist->hide();
        EXPECT_EQ(ui.lstnames->currentRow(), 2) << percent;
        EXPECT_EQ(ui.lstFiles->currentRow(), 2) << percent;
        ui.lstnames->setCurrentRow(0);
        QTest::mouseClick(ui.lstnames->viewport(), Qt::LeftButton, {}, onThird);
        EXPECT_EQ(ui.lstnames->currentRow(), 2) << percent;
    }
}

namespace {

void checkWordsUnderButtons(double scale) {
    SCOPED_TRACE(scale);
    const QImage with = skin::mainBackground(true, 1, scale).toImage();
    const QImage without = skin::mainBackground(false, 1, scale).toImage();
    ASSERT_EQ(with.size(),
              QSize(qRound(mainlayout::kSkinWidth * scale), qRound(mainlayout::kSkinHeight * scale)));
    std::vector<QRect> buttons;
    std::vector<int> inked;
    for (const mainlayout::Entry& e : mainlayout::kTable)
        if (e.face == mainlayout::Face::Pad || e.face == mainlayout::Face::Glyph ||
            e.face == mainlayout::Face::Switch) {
            buttons.push_back(platform::toPixels(e.rect, scale));
            inked.push_back(0);
        }
    int stray = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) == without.pixel(x, y))
                continue;
            bool inside = false;
            for (size_t i = 0; i < buttons.size(); ++i)
                if (buttons[i].contains(x, y)) {
                    inside = true;
                    ++inked[i];
                }
            stray += inside ? 0 : 1;
        }
    EXPECT_EQ(stray, 0);
    for (size_t i = 0; i < buttons.size(); ++i)
        EXPECT_GT(inked[i], 8) << "no word under the button at " << buttons[i].x() << "," << buttons[i].y();
}

} // namespace

// Every painted word lies inside the image button over it, at every size of the window: painting the skin
// with and without its words may only differ inside the buttons, and differs inside every one of them.
TEST(Skin, PaintedWordsLieUnderTheirButtons) {
    for (const int percent : windowsize::kSteps)
        checkWordsUnderButtons(windowsize::scaleOf(percent));
}
