// The decks: loading, transport, captions, the display tick, seeking, levels and the auto-mix.
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <algorithm>
#include <cmath>

#include "console/deckrules.h"
#include "console/missingfiles.h"
#include "console/mixrecording.h"
#include "core/random.h"
#include "core/twips.h"
#include "mainwindow.h"
#include "media/mediaplayer.h"
#include "switchbutton.h"
#include "ui/progressbar.h"
#include "ui/prompts.h"
#include "ui/slider.h"

namespace player {

namespace {

const QString kTitle = QStringLiteral("Deckmora");
const QString kNoSong = QStringLiteral("No song loaded");

QString loadedCaption(const QString& name) {
    return QStringLiteral("Now Loaded: ") + name + QStringLiteral(" press play to start the song");
}
QString playingCaption(const QString& name) {
    return QStringLiteral("Now Playing: ") + name;
}
QString pausedCaption(const QString& name) {
    return QStringLiteral("Now Paused: ") + name + QStringLiteral(" press play to start the song");
}

void debugBox(const QString& text) {
    platform::prompts().message(text, platform::Buttons::Ok, platform::Icon::None, kTitle);
}

} // namespace

void MainWindow::LoadToPlayer_Click(int index) {
    SongList list = songList();
    const std::optional<SongList::Entry> song = list.selectedSong();
    if (!song)
        return;
    loadSong(index, song->name, song->path, song->index);
}

// A song that cannot be opened is not claimed as loaded: the deck is left without a song, as the engine
// leaves it, and the user learns which file failed and why.
void MainWindow::loadSong(int index, const QString& name, const QString& path, int row) {
    if (const platform::media::MediaError err = MP[index]->open(path)) {
        m_deck[index].loaded = false;
        m_deck[index].name.clear();
        setDeckCaption(index, kNoSong);
        if (row >= 0)
            m_missing->recheck(row);
        platform::notice(QStringLiteral("The song \"%1\" cannot be loaded:\r\n%2").arg(path, err.message),
                         kTitle);
        emit deckLoaded(index);
        return;
    }
    m_deck[index].loaded = true;
    m_deck[index].name = name;
    setDeckCaption(index, loadedCaption(name));
    MP[index]->stop();
    if (debugWordOn()) {
        debugBox(path);
        debugBox(MP[index]->fileName());
    }
    emit deckLoaded(index);
}

// Each step goes on when the engine refuses the one before it (a deck without a song); the caption names the
// song the deck holds, not whatever the list shows selected now.
void MainWindow::Play_Click(int index) {
    MP[index]->play();
    if (debugWordOn())
        debugBox(MP[index]->fileName());
    if (m_deck[index].loaded)
        setDeckCaption(index, playingCaption(m_deck[index].name));
    QCoreApplication::processEvents();
}

void MainWindow::Pause_Click(int index) {
    MP[index]->pause();
    if (m_deck[index].loaded)
        setDeckCaption(index, pausedCaption(m_deck[index].name));
}

void MainWindow::Stop_Click(int index) {
    MP[index]->setPosition(0);
    MP[index]->stop();
    if (m_deck[index].loaded)
        setDeckCaption(index, loadedCaption(m_deck[index].name));
}

// The engine clamps a position outside the song.
void MainWindow::Volgend_Click(int index) {
    MP[index]->setPosition(MP[index]->position() + 5);
    followDisplay();
}
void MainWindow::Vorig_Click(int index) {
    MP[index]->setPosition(MP[index]->position() - 5);
    followDisplay();
}

void MainWindow::Timer2_Timer() {
    for (int d = 0; d < 2; ++d)
        SongInfo[d]->step();
}

// Each bar follows its own deck; the upper end is written before the value so the value is never drawn
// against a stale range.
void MainWindow::Timer1_Timer() {
    const QString caption = (windowState() & Qt::WindowMinimized) ? kTitle : QString();
    if (windowTitle() != caption)
        setWindowTitle(caption);
    if (const int count = lstnames->count(); count != m_shownCount) {
        lblnrs->setText(QStringLiteral("Songs in list: ") + QString::number(count));
        m_shownCount = count;
    }
    if (m_recording && m_recording->active()) {
        const QString elapsed = m_recording->elapsed();
        if (lblRec->text() != elapsed)
            lblRec->setText(elapsed);
    }
    m_barsMoved = false;
    for (int d = 0; d < 2; ++d) {
        const double length = MP[d]->length();
        if (length == 0)
            continue;
        const float max = PB1[d]->max(), value = PB1[d]->value();
        PB1[d]->setMax(static_cast<float>(length));
        PB1[d]->setValue(static_cast<float>(MP[d]->position()));
        m_barsMoved |= PB1[d]->max() != max || PB1[d]->value() != value;
    }
}

// Any button seeks; a deck without a song has nowhere to go.
void MainWindow::PB1_MouseDown(int index, short, short, float x, float) {
    if (!MP[index]->hasMedia())
        return;
    const float width = static_cast<float>(PB1[index]->widthTwips());
    MP[index]->setPosition(deckrules::seekTarget(x, width, MP[index]->length()));
    followDisplay();
}

void MainWindow::Vol_Change(int index) {
    const deckrules::DeckLevels levels = deckrules::deckVolumeLevels(Vol[index]->value());
    MP[index]->setLevel(levels.first);
    if (levels.second)
        MP[index]->setLevel(*levels.second);
}

double MainWindow::deckVolume(int index) const {
    const platform::Slider* v = Vol[index];
    return double(v->value() - v->minimum()) / double(v->maximum() - v->minimum());
}

void MainWindow::setDeckVolume(int index, double travel) {
    platform::Slider* v = Vol[index];
    const double share = std::clamp(travel, 0.0, 1.0);
    v->setValue(v->minimum() + static_cast<int>(std::lround(share * (v->maximum() - v->minimum()))));
    Vol_Change(index);
}

void MainWindow::volMain_Change() {
    const auto [level0, level1] = deckrules::crossfadeLevels(volMain->value());
    MP[0]->setLevel(level0);
    MP[1]->setLevel(level1);
}

// The switch shows what the user asked for; the deck is heard on the headphones once the Sound settings
// route the pre-listen somewhere.
void MainWindow::Cue_Click(int index) {
    const bool on = !Cue[index]->isOn();
    MP[index]->setCue(on);
    Cue[index]->setOn(on);
    showSoundStatus();
}

void MainWindow::chbgoon_Click() {
    if (!chbgoon->isChecked())
        chbrandom->setChecked(false);
}

void MainWindow::chbrandom_Click() {
    if (chbrandom->isChecked())
        chbgoon->setChecked(true);
}

bool MainWindow::randomPlaying() const {
    return chbrandom->isChecked();
}

void MainWindow::setRandomPlaying(bool on) {
    chbrandom->setChecked(on);
}

// An unattended mix must not stop on one missing file: a song that cannot be opened is passed over for the
// next one (in order) or a new draw (random), at most once around the list, and no box waits for a user.
void MainWindow::MP_EndOfStream(int index, int) {
    if (chbgoon->isChecked())
        goOn(index);
}

void MainWindow::goOn(int index) {
    const int count = songList().count();
    const bool random = chbrandom->isChecked();
    auto draw = [] { return platform::rnd().next(); };
    std::optional<int> n = random ? deckrules::nextRandom(count, draw)
                                  : deckrules::nextInOrder(count, songList().selectedIndex());
    for (int attempt = 0; n && attempt < count; ++attempt) {
        if (autoPlayEntry(index, *n))
            return;
        n = random ? deckrules::nextRandom(count, draw) : deckrules::nextInOrder(count, *n);
    }
}

bool MainWindow::autoPlayEntry(int index, int n) {
    SongList list = songList();
    list.select(n);
    if (MP[index]->open(list.path(n))) {
        m_missing->recheck(n);
        m_deck[index].loaded = false;
        m_deck[index].name.clear();
        setDeckCaption(index, kNoSong);
        return false;
    }
    m_deck[index].loaded = true;
    m_deck[index].name = list.name(n);
    MP[index]->play();
    setDeckCaption(index, playingCaption(m_deck[index].name));
    return true;
}

} // namespace player
