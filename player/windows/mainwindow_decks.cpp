// The decks: loading, transport, captions, the display tick, seeking, levels and the auto-mix.
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>

#include "analysis/analysisservice.h"
#include "console/console.h"
#include "console/deckrules.h"
#include "console/mixrecording.h"
#include "core/twips.h"
#include "djview.h"
#include "mainwindow.h"
#include "media/mediaplayer.h"
#include "switchbutton.h"
#include "ui/progressbar.h"
#include "ui/slider.h"

namespace player {

namespace {
const QString kTitle = QStringLiteral("Deckmora");
} // namespace

void MainWindow::setupConsole() {
    m_console = new Console({MP[0], MP[1]}, songList(), m_missing, this);
    m_analysis = std::make_unique<platform::analysis::AnalysisService>();
    m_console->setAnalysis(m_analysis.get());
    m_console->setDebugWord([this] { return debugWordOn(); });
    connect(m_console, &Console::captionChanged, this, &MainWindow::setDeckCaption);
    connect(m_console, &Console::deckLoaded, this, &MainWindow::deckLoaded);
    // The faders and switches show what the console holds, whoever changed it; a fader moved here is
    // heard once.
    connect(m_console, &Console::deckLevelChanged, this, [this](int d, int level) {
        if (Vol[d]->value() != level)
            Vol[d]->setValue(level);
    });
    connect(m_console, &Console::crossfaderChanged, this, [this](int value) {
        if (volMain->value() != value)
            volMain->setValue(value);
    });
    connect(m_console, &Console::autoMixChanged, this, [this] {
        chbgoon->setChecked(m_console->goOnPlaying());
        chbrandom->setChecked(m_console->randomPlaying());
    });
    for (int d = 0; d < 2; ++d)
        Vol[d]->setValue(m_console->deckLevel(d));
    volMain->setValue(m_console->crossfader());
    // As a DJ mixer, the sliders' places are heard from the start.
    applyFaders();
    connect(m_console, &Console::listHoldChanged, this, &MainWindow::showListHold);
}

void MainWindow::LoadToPlayer_Click(int index) {
    m_console->loadSelected(index);
}

void MainWindow::loadSong(int index, const QString& name, const QString& path, int row) {
    m_console->loadSong(index, name, path, row);
}

void MainWindow::Play_Click(int index) {
    m_console->play(index);
    QCoreApplication::processEvents();
}

void MainWindow::Pause_Click(int index) {
    m_console->pause(index);
}

void MainWindow::Stop_Click(int index) {
    m_console->stop(index);
}

void MainWindow::Volgend_Click(int index) {
    m_console->skip(index, Console::kSkipSeconds);
    followDisplay();
}
void MainWindow::Vorig_Click(int index) {
    m_console->skip(index, -Console::kSkipSeconds);
    followDisplay();
}

void MainWindow::Timer2_Timer() {
    for (int d = 0; d < 2; ++d)
        SongInfo[d]->step();
}

// Each bar follows its own deck; the upper end is written before the value so the value is never drawn
// against a stale range. A deck left without a song (its next songs all gone) shows an empty bar, not the
// place of a song it no longer holds.
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
        const float max = PB1[d]->max(), value = PB1[d]->value();
        if (!MP[d]->hasMedia()) {
            if (value != 0) {
                PB1[d]->setValue(0);
                m_barsMoved = true;
            }
            continue;
        }
        const double length = MP[d]->length();
        if (length == 0)
            continue;
        PB1[d]->setMax(static_cast<float>(length));
        PB1[d]->setValue(static_cast<float>(MP[d]->position()));
        m_barsMoved |= PB1[d]->max() != max || PB1[d]->value() != value;
    }
    if (m_djOpen)
        m_dj->tick();
}

// Any button seeks.
void MainWindow::PB1_MouseDown(int index, short, short, float x, float) {
    seekAt(index, x, static_cast<float>(PB1[index]->widthTwips()));
}

// A deck without a song has nowhere to go.
void MainWindow::seekAt(int index, float x, float widthTwips) {
    if (!MP[index]->hasMedia())
        return;
    m_console->seek(index, deckrules::seekTarget(x, widthTwips, MP[index]->length()));
    followDisplay();
}

void MainWindow::Vol_Change(int index) {
    m_console->setDeckLevel(index, Vol[index]->value());
}

double MainWindow::deckVolume(int index) const {
    return m_console->deckVolume(index);
}

void MainWindow::setDeckVolume(int index, double travel) {
    m_console->setDeckVolume(index, travel);
}

void MainWindow::volMain_Change() {
    m_console->setCrossfader(volMain->value());
}

// The switch shows what the user asked for; the deck is heard on the headphones once the Sound settings
// route the pre-listen somewhere.
void MainWindow::Cue_Click(int index) {
    const bool on = !Cue[index]->isOn();
    m_console->setCue(index, on);
    Cue[index]->setOn(on);
    showSoundStatus();
}

void MainWindow::chbgoon_Click() {
    m_console->setGoOnPlaying(chbgoon->isChecked());
}

void MainWindow::chbrandom_Click() {
    m_console->setRandomPlaying(chbrandom->isChecked());
}

bool MainWindow::randomPlaying() const {
    return m_console->randomPlaying();
}

void MainWindow::setRandomPlaying(bool on) {
    m_console->setRandomPlaying(on);
}

void MainWindow::MP_EndOfStream(int index, int) {
    m_console->songEnded(index);
}

void MainWindow::goOn(int index) {
    m_console->goOn(index);
}

} // namespace player
