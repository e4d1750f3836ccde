// The deck handlers of the main window: loading, transport, captions, the display tick, seeking, levels and
// auto-mix.
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/random.h"
#include "core/twips.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "ui/imagebutton.h"
#include "ui/progressbar.h"
#include "ui/slider.h"
#include "windowfixture.h"
#include "windows/aboutwindow.h"

using namespace player;

using platform::media::PlayState;

namespace {

QString loaded(const QString& n) {
    return QStringLiteral("Now Loaded: ") + n + QStringLiteral(" press play to start the song");
}
QString playing(const QString& n) {
    return QStringLiteral("Now Playing: ") + n;
}
QString paused(const QString& n) {
    return QStringLiteral("Now Paused: ") + n + QStringLiteral(" press play to start the song");
}

// The window with a list of five short songs s0.wav ... s4.wav.
class DecksTest : public WindowFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 5; ++i)
            add(QStringLiteral("s%1.wav").arg(i), 20 + i);
    }

    void add(const QString& name, double seconds) {
        ASSERT_TRUE(writeSong(dir.file(name), seconds));
        addEntry(name, dir.file(name));
    }
    QString path(int i) const { return ui.lstFiles->item(i)->text(); }
    void loadInto(int deck, int entry) {
        ui.lstnames->setCurrentRow(entry);
        w.LoadToPlayer_Click(deck);
    }
    // The deck plays list entry `entry` and its caption says so.
    void expectPlaying(int deck, int entry) {
        EXPECT_EQ(ui.MP[deck]->fileName(), path(entry));
        EXPECT_EQ(ui.MP[deck]->state(), PlayState::Playing);
        EXPECT_EQ(ui.lblnow[deck]->text(), playing(ui.lstnames->item(entry)->text()));
    }
};

} // namespace

// A load with nothing selected, and every transport, skip and seek on an empty deck, leave it without a song.
TEST_F(DecksTest, CommandsOnAnEmptyDeckLeaveNoSongLoaded) {
    ui.lstnames->clearSelection();
    ui.LoadToPlayer[0]->clicked();
    EXPECT_FALSE(w.deckHasSong(0));
    ui.lstnames->setCurrentRow(1);
    for (auto click : {&MainWindow::Play_Click, &MainWindow::Pause_Click, &MainWindow::Stop_Click,
                       &MainWindow::Volgend_Click, &MainWindow::Vorig_Click})
        for (int deck = 0; deck < 2; ++deck) {
            (w.*click)(deck);
            EXPECT_EQ(ui.lblnow[deck]->text(), QStringLiteral("No song loaded"));
            EXPECT_FALSE(ui.MP[deck]->hasMedia());
        }
    w.PB1_MouseDown(0, 1, 0, 1387.5f, 100);
    EXPECT_FALSE(ui.MP[0]->hasMedia());
    EXPECT_EQ(ui.MP[0]->position(), 0.0);
}

TEST_F(DecksTest, LoadTheThirdEntryIntoDeckTwo) {
    loadInto(1, 2);
    EXPECT_EQ(ui.MP[1]->fileName(), path(2));
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Stopped);
    EXPECT_EQ(ui.lstFiles->currentRow(), 2);
    EXPECT_EQ(ui.lblnow[1]->text(), loaded(QStringLiteral("s2.wav")));
    EXPECT_FALSE(ui.MP[0]->hasMedia());
    EXPECT_EQ(ui.lblnow[0]->text(), QStringLiteral("No song loaded"));
}

// A failed load leaves the deck playing and its bar true (the console's tests hold the rest); a deck that
// loses its song (the auto-mix finds nothing left to play) shows no stale fill.
TEST_F(DecksTest, AFailedLoadKeepsTheMusicAndTheBarTrue) {
    loadInto(0, 1); // 21 seconds
    w.Play_Click(0);
    addEntry(QStringLiteral("gone.wav"), dir.file(QStringLiteral("gone.wav")));
    prompts.answer(platform::Answer::Ok);
    loadInto(0, 5);
    expectPlaying(0, 1);
    render(3.0);
    w.Timer1_Timer();
    EXPECT_EQ(ui.PB1[0]->max(), 21.0f);
    EXPECT_NEAR(ui.PB1[0]->value(), 3.0f, 0.01f);

    for (int i = 0; i < 5; ++i)
        QFile::remove(path(i));
    ui.chbgoon->setChecked(true);
    w.MP_EndOfStream(0, 0);
    ASSERT_FALSE(ui.MP[0]->hasMedia());
    w.Timer1_Timer();
    EXPECT_EQ(ui.PB1[0]->value(), 0.0f);
}

TEST_F(DecksTest, CaptionsNameTheSongTheDeckHolds) {
    loadInto(0, 0);
    ui.lstnames->setCurrentRow(3); // another song selected since
    ui.Play[0]->clicked();
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Playing);
    EXPECT_EQ(ui.lblnow[0]->text(), playing(QStringLiteral("s0.wav")));
    ui.Pause[0]->clicked();
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Paused);
    EXPECT_EQ(ui.lblnow[0]->text(), paused(QStringLiteral("s0.wav")));
    ui.Stop[0]->clicked();
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Stopped);
    EXPECT_EQ(ui.MP[0]->position(), 0.0);
    EXPECT_EQ(ui.lblnow[0]->text(), loaded(QStringLiteral("s0.wav")));
}

TEST_F(DecksTest, DebugWordAddsItsBoxes) {
    AboutWindow about({});
    about.Text1->setText(QStringLiteral("zqvk"));
    w.setAboutWindow(&about);
    prompts.answer(platform::Answer::Ok).answer(platform::Answer::Ok).answer(platform::Answer::Ok);
    loadInto(0, 4);
    w.Play_Click(0);
    ASSERT_EQ(prompts.count(), 3);
    for (const auto& r : prompts.records()) {
        EXPECT_EQ(r.text, path(4));
        EXPECT_EQ(r.title, QStringLiteral("Deckmora"));
        EXPECT_EQ(r.buttons, platform::Buttons::Ok);
    }
}

TEST_F(DecksTest, SkipsMoveFiveSecondsWithinTheSong) {
    loadInto(0, 4); // 24 seconds
    ASSERT_FALSE(ui.MP[0]->setPosition(10.0));
    ui.Volgend[0]->clicked();
    EXPECT_DOUBLE_EQ(ui.MP[0]->position(), 15.0);
    ASSERT_FALSE(ui.MP[0]->setPosition(3.0));
    ui.Vorig[0]->clicked();
    EXPECT_DOUBLE_EQ(ui.MP[0]->position(), 0.0); // -2 is clamped by the engine
}

// The scroll's rule has its own tests; here the tick moves both captions by it, with each caption's own
// width.
TEST_F(DecksTest, TheCaptionTickScrollsBothCaptions) {
    const int width = int(std::lround(platform::pixelsToTwips(ui.lblnow[0]->width())));
    ASSERT_GT(width, 0);
    w.setCaptionLeft(0, 45);
    w.setCaptionLeft(1, -width - 1); // just out of sight: starts over
    w.Timer2_Timer();
    EXPECT_EQ(w.captionLeft(0), -5);
    EXPECT_EQ(w.captionLeft(1), 2500);
    EXPECT_EQ(ui.lblnow[1]->x(), 167); // 2500 twips
}

TEST_F(DecksTest, DisplayTickWritesCountAndCaption) {
    w.Timer1_Timer();
    EXPECT_EQ(ui.lblnrs->text(), QStringLiteral("Songs in list: 5"));
    ui.Clear->clicked(); // empties both columns; the count follows on the next tick
    EXPECT_EQ(ui.lstFiles->count(), 0);
    w.Timer1_Timer();
    EXPECT_EQ(ui.lblnrs->text(), QStringLiteral("Songs in list: 0"));
    // no song in either deck: the bars keep their stored state
    for (int d = 0; d < 2; ++d) {
        EXPECT_EQ(ui.PB1[d]->max(), 100.0f);
        EXPECT_EQ(ui.PB1[d]->value(), 0.0f);
    }
}

// The levels' rules have their own tests; here each slider reaches its own deck, and only it.
TEST_F(DecksTest, VolumeSlidersWriteTheirDecksLevel) {
    for (int deck = 0; deck < 2; ++deck) {
        ui.MP[1 - deck]->setLevel(123);
        ui.Vol[deck]->setValue(-4501);
        w.Vol_Change(deck);
        EXPECT_EQ(ui.MP[deck]->level(), -9640) << deck;
        EXPECT_EQ(ui.MP[1 - deck]->level(), 123) << deck;
    }
}

TEST_F(DecksTest, CrossfaderWritesBothLevelsOverTheVolumeSliders) {
    ui.Vol[0]->setValue(-200);
    w.Vol_Change(0);
    ASSERT_EQ(ui.MP[0]->level(), -200);
    ui.volMain->setValue(1);
    w.volMain_Change();
    EXPECT_EQ(ui.MP[0]->level(), -90);
    EXPECT_EQ(ui.MP[1]->level(), -8910);
}

// Random playing goes on playing; go-on stopped stops random too; the other two changes leave the other box.
TEST_F(DecksTest, CheckBoxCoupling) {
    struct Step {
        QCheckBox* box;
        bool checked, random, goOn;
    };
    for (const Step& s : {Step{ui.chbrandom, true, true, true}, Step{ui.chbrandom, false, false, true},
                          Step{ui.chbgoon, false, false, false}, Step{ui.chbgoon, true, false, true},
                          Step{ui.chbrandom, true, true, true}, Step{ui.chbgoon, false, false, false}}) {
        s.box->setChecked(s.checked);
        EXPECT_EQ(ui.chbrandom->isChecked(), s.random) << s.box->objectName().toStdString() << s.checked;
        EXPECT_EQ(ui.chbgoon->isChecked(), s.goOn) << s.box->objectName().toStdString() << s.checked;
    }
}

TEST_F(DecksTest, GoOnMovesToTheNextEntryInTheDeckThatEnded) {
    struct Case {
        int selected; // -1: nothing
        int chosen;
    };
    for (const Case& c : {Case{2, 3}, Case{4, 0}, Case{-1, 0}}) {
        loadInto(1, 1);
        w.Play_Click(1);
        ui.chbgoon->setChecked(true);
        if (c.selected < 0)
            ui.lstnames->clearSelection();
        else
            ui.lstnames->setCurrentRow(c.selected);
        emit ui.MP[0]->ended(0);
        EXPECT_EQ(ui.lstnames->currentRow(), c.chosen) << c.selected;
        EXPECT_TRUE(ui.lstnames->item(c.chosen)->isSelected());
        EXPECT_EQ(ui.lstFiles->currentRow(), c.chosen);
        expectPlaying(0, c.chosen);
        expectPlaying(1, 1); // the other deck goes on untouched
    }
}

TEST_F(DecksTest, WithoutGoOnASongEndChangesNothing) {
    loadInto(0, 2);
    w.Play_Click(0);
    emit ui.MP[0]->ended(0);
    EXPECT_EQ(ui.lstnames->currentRow(), 2);
    expectPlaying(0, 2);
}

TEST_F(DecksTest, AutoMixOnAnEmptyListDoesNothing) {
    loadInto(0, 2);
    const QString held = path(2);
    ui.lstnames->clear();
    ui.lstFiles->clear();
    ui.chbrandom->setChecked(true);
    w.MP_EndOfStream(0, 0);
    ui.chbrandom->setChecked(false);
    w.MP_EndOfStream(0, 0);
    EXPECT_EQ(ui.MP[0]->fileName(), held);
    EXPECT_EQ(ui.lblnow[0]->text(), loaded(QStringLiteral("s2.wav")));
}

TEST_F(DecksTest, RandomPicksAnEntryInsideTheList) {
    ui.chbrandom->setChecked(true);
    platform::rnd().seed(7);
    for (int i = 0; i < 20; ++i) {
        w.MP_EndOfStream(1, 0);
        const int n = ui.lstnames->currentRow();
        ASSERT_GE(n, 0);
        ASSERT_LT(n, 5);
        EXPECT_EQ(ui.lstFiles->currentRow(), n);
        expectPlaying(1, n);
    }
    EXPECT_FALSE(ui.MP[0]->hasMedia());
}

TEST_F(DecksTest, AMissingNextSongIsPassedOverWithoutABox) {
    QFile::remove(path(3));
    ui.chbgoon->setChecked(true);
    ui.lstnames->setCurrentRow(2);
    w.MP_EndOfStream(0, 0);
    EXPECT_EQ(ui.lstnames->currentRow(), 4);
    expectPlaying(0, 4);
    EXPECT_EQ(prompts.count(), 0);

    // nothing left to play: once around the list, then the deck rests without a song
    for (int i = 0; i < 5; ++i)
        QFile::remove(path(i));
    w.MP_EndOfStream(0, 0);
    EXPECT_FALSE(ui.MP[0]->hasMedia());
    EXPECT_EQ(ui.lblnow[0]->text(), QStringLiteral("No song loaded"));
    ui.chbrandom->setChecked(true);
    w.MP_EndOfStream(0, 0);
    EXPECT_FALSE(ui.MP[0]->hasMedia());
    EXPECT_EQ(prompts.count(), 0);
}

TEST_F(DecksTest, TwoDecksEndingCloseTogetherWalkOnFromEachOther) {
    ui.chbgoon->setChecked(true);
    ui.lstnames->setCurrentRow(1);
    emit ui.MP[0]->ended(0);
    emit ui.MP[1]->ended(0);
    expectPlaying(0, 2);
    expectPlaying(1, 3);
    EXPECT_EQ(ui.lstnames->currentRow(), 3);
}

TEST_F(DecksTest, StopThenPlayStartsOverPauseThenPlayResumes) {
    loadInto(0, 0);
    w.Play_Click(0);
    render(2.0);
    EXPECT_NEAR(ui.MP[0]->position(), 2.0, 0.01);
    w.Pause_Click(0);
    render(1.0);
    EXPECT_NEAR(ui.MP[0]->position(), 2.0, 0.01);
    w.Play_Click(0);
    render(0.5);
    EXPECT_NEAR(ui.MP[0]->position(), 2.5, 0.01);
    w.Stop_Click(0);
    EXPECT_EQ(ui.MP[0]->position(), 0.0);
    w.Play_Click(0);
    render(0.5);
    EXPECT_NEAR(ui.MP[0]->position(), 0.5, 0.01);
}

TEST_F(DecksTest, EachPositionBarFollowsItsOwnDeck) {
    // a song in deck 1 only: its bar moves although deck 0 is empty
    loadInto(1, 2); // 22 seconds
    w.Play_Click(1);
    render(1.0);
    w.Timer1_Timer();
    EXPECT_EQ(ui.PB1[1]->max(), 22.0f);
    EXPECT_NEAR(ui.PB1[1]->value(), 1.0f, 0.01f);
    EXPECT_EQ(ui.PB1[0]->max(), 100.0f);
    EXPECT_EQ(ui.PB1[0]->value(), 0.0f);
    // then deck 0 as well
    loadInto(0, 0); // 20 seconds
    w.Play_Click(0);
    render(0.5);
    w.Timer1_Timer();
    EXPECT_EQ(ui.PB1[0]->max(), 20.0f);
    EXPECT_NEAR(ui.PB1[0]->value(), 0.5f, 0.01f);
    EXPECT_NEAR(ui.PB1[1]->value(), 1.5f, 0.01f);
}

TEST_F(DecksTest, APressOnAPositionBarSeeks) {
    add(QStringLiteral("long.wav"), 200);
    loadInto(1, 5);
    ASSERT_EQ(ui.PB1[1]->widthTwips(), 2775.0);
    w.PB1_MouseDown(1, 2, 1, 1387.5f, 120); // any button
    EXPECT_DOUBLE_EQ(ui.MP[1]->position(), 100.0);
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Stopped); // seeking keeps the state
    QTest::mousePress(ui.PB1[1], Qt::LeftButton, {}, QPoint(0, 8));
    EXPECT_DOUBLE_EQ(ui.MP[1]->position(), 0.0);
    w.Play_Click(1);
    QTest::mousePress(ui.PB1[1], Qt::LeftButton, {}, QPoint(148, 8)); // 2220 twips: 80 % of the song
    EXPECT_DOUBLE_EQ(ui.MP[1]->position(), 160.0);
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Playing);
    // the bar itself waits for the next tick
    EXPECT_EQ(ui.PB1[1]->value(), 0.0f);
}

TEST_F(DecksTest, ASongThatEndsMovesTheDeckOnByItself) {
    ui.lstnames->clear();
    ui.lstFiles->clear();
    add(QStringLiteral("short1.wav"), 0.5);
    add(QStringLiteral("short2.wav"), 0.5);
    add(QStringLiteral("other.wav"), 10);
    ui.chbgoon->setChecked(true);
    loadInto(1, 2);
    w.Play_Click(1);
    loadInto(0, 0);
    w.Play_Click(0);
    render(0.75);
    expectPlaying(0, 1);
    EXPECT_EQ(ui.lstnames->currentRow(), 1);
    EXPECT_EQ(ui.MP[1]->fileName(), path(2));
    EXPECT_NEAR(ui.MP[1]->position(), 0.75, 0.01);
}
