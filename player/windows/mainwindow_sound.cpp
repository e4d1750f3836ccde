// The main window's part in the sound: the footer's notice, the way to the Sound window, recording.
#include <QDateTime>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>

#include "clicklabel.h"
#include "console/mixrecording.h"
#include "console/soundchoice.h"
#include "mainwindow.h"
#include "media/audioengine.h"
#include "soundwindow.h"
#include "switchbutton.h"

namespace player {

namespace {
// The footer's notice keeps to the free stretch before the DJ switch, in the skin's pixels.
constexpr int kNoticeWidth = 104;
} // namespace

void MainWindow::setupSound(platform::media::AudioEngine& engine) {
    m_engine = &engine;
    engine.setKeyLockEngine(soundchoice::loadKeyLock());
    connect(lblSound, &ClickLabel::mouseDown, this, [this](short button, short, int, int) {
        if (button == 2)
            openSoundSettings();
    });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_F2), QKeySequence(Qt::CTRL | Qt::Key_Comma)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &MainWindow::openSoundSettings);
    // The engine tells from its own thread; the windows read the status on their own.
    engine.setStatusListener([this] {
        QMetaObject::invokeMethod(this, [this] {
            showSoundStatus();
            if (m_sound)
                m_sound->showStatus();
        });
    });
    showSoundStatus();
    m_recording = new MixRecording(engineRecorder(engine), this);
    connect(m_recording, &MixRecording::changed, this, &MainWindow::showRecording);
    showRecording();
}

// The folder and the format are read at each start, so a change in the Sound window counts from the next
// recording on.
void MainWindow::Rec_Click() {
    if (m_recording->active()) {
        m_recording->stop();
        return;
    }
    m_recording->start(soundchoice::recordFolder(), QDateTime::currentDateTime(),
                       soundchoice::loadRecordFormat());
}

void MainWindow::showRecording() {
    const bool on = m_recording->active();
    Rec->setOn(on);
    const QString path = QDir::toNativeSeparators(m_recording->path());
    const QString text = on ? m_recording->elapsed() : path.isEmpty() ? QString() : tr("saved");
    if (lblRec->text() != text)
        lblRec->setText(text);
    const QString where = on               ? tr("Recording to %1").arg(path)
                          : path.isEmpty() ? QString()
                                           : tr("The last recording is %1").arg(path);
    lblRec->setToolTip(where);
    Rec->setToolTip((on ? tr("Stop recording") : tr("Record the mix")) + m_recKeys +
                    (where.isEmpty() ? QString() : QStringLiteral("\n") + where));
}

void MainWindow::dropSoundListener() {
    m_engine->setStatusListener(nullptr);
}

void MainWindow::showSoundStatus() {
    const bool cued = Cue[0]->isOn() || Cue[1]->isOn();
    const soundchoice::Notice n = soundchoice::notice(
        m_engine->status(), cued && m_engine->cue().routing == platform::media::AudioEngine::CueRouting::Off);
    lblSound->setText(lblSound->fontMetrics().elidedText(n.text, Qt::ElideRight, kNoticeWidth));
    lblSound->setToolTip(n.tip.isEmpty() ? tr("Right-click: sound settings") : n.tip);
}

void MainWindow::applyFaders() {
    const soundchoice::FaderChoice f = soundchoice::loadFaders();
    m_console->setFaders(f.faders, f.curve);
    m_console->setAutoMix(soundchoice::loadAutoMix());
}

SoundWindow* MainWindow::soundWindow() const {
    return m_sound;
}

void MainWindow::openSoundSettings() {
    if (!m_sound) {
        m_sound = new SoundWindow(*m_engine, this);
        connect(m_sound, &SoundWindow::applied, this, &MainWindow::showSoundStatus);
        connect(m_sound, &SoundWindow::applied, this, &MainWindow::applyFaders);
    }
    m_sound->show();
    m_sound->raise();
    m_sound->activateWindow();
}

} // namespace player
