#include "soundwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <cmath>

#include "console/soundchoice.h"
#include "media/audioengine.h"
#include "ui/prompts.h"

namespace player {

using platform::media::AudioEngine;

namespace {
// How often the measured drift of a second headphone device is read while the window shows it.
constexpr int kDriftRefreshMs = 1000;
} // namespace

SoundWindow::SoundWindow(AudioEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window), m_engine(engine) {
    setWindowTitle(tr("Sound"));
    cboDevice = new QComboBox(this);
    cboDevice->setObjectName(QStringLiteral("cboDevice"));
    txtLatency = new QSpinBox(this);
    txtLatency->setObjectName(QStringLiteral("txtLatency"));
    txtLatency->setRange(soundchoice::kMinLatencyMs, soundchoice::kMaxLatencyMs);
    txtLatency->setSuffix(tr(" ms"));

    grpCue = new QGroupBox(tr("Pre-listen"), this);
    cboCueRouting = new QComboBox(grpCue);
    cboCueRouting->setObjectName(QStringLiteral("cboCueRouting"));
    cboCueRouting->addItems({tr("Off"), tr("Second device"), tr("Channels 3-4 of the main device"),
                             tr("Split: main left, headphones right")});
    cboCueDevice = new QComboBox(grpCue);
    cboCueDevice->setObjectName(QStringLiteral("cboCueDevice"));
    sldCueBalance = new QSlider(Qt::Horizontal, grpCue);
    sldCueBalance->setObjectName(QStringLiteral("sldCueBalance"));
    sldCueBalance->setRange(0, soundchoice::kMaxCueBalance);
    sldCueBalance->setPageStep(10);
    sldCueBalance->setToolTip(tr("What the headphones hear: the pre-listened decks only, the mix only, or a "
                                 "blend of both"));
    lblCueDrift = new QLabel(grpCue);
    lblCueDrift->setObjectName(QStringLiteral("lblCueDrift"));
    auto* balance = new QHBoxLayout;
    balance->addWidget(new QLabel(tr("Cue"), grpCue));
    balance->addWidget(sldCueBalance, 1);
    balance->addWidget(new QLabel(tr("Main"), grpCue));
    auto* cueForm = new QFormLayout(grpCue);
    cueForm->addRow(tr("Headphones:"), cboCueRouting);
    cueForm->addRow(tr("Second device:"), cboCueDevice);
    cueForm->addRow(tr("Balance:"), balance);
    cueForm->addRow(lblCueDrift);

    grpRecord = new QGroupBox(tr("Recording"), this);
    cboRecordFormat = new QComboBox(grpRecord);
    cboRecordFormat->setObjectName(QStringLiteral("cboRecordFormat"));
    cboRecordFormat->addItems({tr("FLAC (lossless, about half the size)"), tr("WAV")});
    lblRecordFolder = new QLabel(grpRecord);
    lblRecordFolder->setObjectName(QStringLiteral("lblRecordFolder"));
    lblRecordFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdRecordFolder = new QPushButton(tr("Choose..."), grpRecord);
    cmdRecordFolder->setObjectName(QStringLiteral("cmdRecordFolder"));
    cmdRecordFolderDefault = new QPushButton(tr("Default"), grpRecord);
    cmdRecordFolderDefault->setObjectName(QStringLiteral("cmdRecordFolderDefault"));
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(cmdRecordFolder);
    folderButtons->addWidget(cmdRecordFolderDefault);
    folderButtons->addStretch();
    auto* recordForm = new QFormLayout(grpRecord);
    recordForm->addRow(tr("Format:"), cboRecordFormat);
    recordForm->addRow(tr("Folder:"), lblRecordFolder);
    recordForm->addRow(QString(), folderButtons);

    grpFaders = new QGroupBox(tr("Faders"), this);
    cboFaders = new QComboBox(grpFaders);
    cboFaders->setObjectName(QStringLiteral("cboFaders"));
    cboFaders->addItems({tr("As written"), tr("DJ mixer")});
    cboFaders->setToolTip(
        tr("As written: each slider sets its deck's level, the last one moved decides. DJ mixer: "
           "a channel fader per deck, the crossfader on top, always as the sliders show."));
    cboCrossfade = new QComboBox(grpFaders);
    cboCrossfade->setObjectName(QStringLiteral("cboCrossfade"));
    cboCrossfade->addItems({tr("Equal power"), tr("Cut")});
    cboCrossfade->setToolTip(tr("The crossfader's curve as a DJ mixer: a smooth blend, or a sharp cut for "
                                "scratching"));
    auto* faders = new QHBoxLayout(grpFaders);
    faders->addWidget(cboFaders, 1);
    faders->addWidget(new QLabel(tr("Crossfader:"), grpFaders));
    faders->addWidget(cboCrossfade, 1);
    cboKeyLock = new QComboBox(grpFaders);
    cboKeyLock->setObjectName(QStringLiteral("cboKeyLock"));
    cboKeyLock->addItems({tr("Light"), tr("Fine")});
    cboKeyLock->setToolTip(tr("How a key-locked deck keeps its pitch: Light costs little (SoundTouch); Fine "
                              "sounds cleaner and costs more (Rubber Band)"));
    faders->addWidget(new QLabel(tr("Key lock:"), grpFaders));
    faders->addWidget(cboKeyLock, 1);

    grpAutoMix = new QGroupBox(tr("Auto-mix"), this);
    cboTransition = new QComboBox(grpAutoMix);
    cboTransition->setObjectName(QStringLiteral("cboTransition"));
    cboTransition->addItems({tr("Cut"), tr("Crossfade")});
    cboTransition->setToolTip(
        tr("How \"Go on playing...\" moves on: the deck that ends starts the next song, "
           "or the next song comes in on the other deck under the crossfader"));
    txtFadeSeconds = new QSpinBox(grpAutoMix);
    txtFadeSeconds->setRange(int(automix::kFadeMinSeconds), int(automix::kFadeMaxSeconds));
    txtFadeSeconds->setSuffix(tr(" s"));
    chkLevelSongs = new QCheckBox(tr("Level songs to"), grpAutoMix);
    chkLevelSongs->setToolTip(tr("Each song plays at one loudness, its peaks kept under -1 dBTP"));
    txtTargetLufs = new QSpinBox(grpAutoMix);
    txtTargetLufs->setRange(int(automix::kTargetMinLufs), int(automix::kTargetMaxLufs));
    txtTargetLufs->setSuffix(tr(" LUFS"));
    auto* autoMix = new QFormLayout(grpAutoMix);
    auto* transition = new QHBoxLayout;
    transition->addWidget(cboTransition, 1);
    transition->addWidget(new QLabel(tr("Length:"), grpAutoMix));
    transition->addWidget(txtFadeSeconds);
    autoMix->addRow(tr("Transition:"), transition);
    autoMix->addRow(chkLevelSongs, txtTargetLufs);

    lblStatus = new QLabel(this);
    lblStatus->setWordWrap(true);
    cmdApply = new QPushButton(tr("Apply"), this);
    cmdClose = new QPushButton(tr("Close"), this);
    auto* form = new QFormLayout;
    form->addRow(tr("Device:"), cboDevice);
    form->addRow(tr("Latency:"), txtLatency);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(grpCue);
    layout->addWidget(grpRecord);
    layout->addWidget(grpFaders);
    layout->addWidget(grpAutoMix);
    layout->addWidget(lblStatus);
    layout->addLayout(buttons);
    connect(cmdApply, &QPushButton::clicked, this, &SoundWindow::Apply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(cmdRecordFolder, &QPushButton::clicked, this, &SoundWindow::RecordFolder_Click);
    connect(cmdRecordFolderDefault, &QPushButton::clicked, this, [this] {
        m_recordFolder.clear();
        showRecordFolder();
    });

    const soundchoice::Choice choice = soundchoice::load();
    txtLatency->setValue(choice.latencyMs);
    const soundchoice::CueChoice cue = soundchoice::loadCue();
    cboCueRouting->setCurrentIndex(static_cast<int>(cue.routing));
    sldCueBalance->setValue(cue.balance);
    cboRecordFormat->setCurrentIndex(static_cast<int>(soundchoice::loadRecordFormat()));
    m_recordFolder = soundchoice::loadRecordFolder();
    showRecordFolder();
    const soundchoice::FaderChoice faderChoice = soundchoice::loadFaders();
    cboFaders->setCurrentIndex(static_cast<int>(faderChoice.faders));
    cboCrossfade->setCurrentIndex(static_cast<int>(faderChoice.curve));
    cboCrossfade->setEnabled(faderChoice.faders == mixrules::Faders::DjMixer);
    cboKeyLock->setCurrentIndex(static_cast<int>(soundchoice::loadKeyLock()));
    connect(cboFaders, &QComboBox::currentIndexChanged, this,
            [this](int i) { cboCrossfade->setEnabled(i == static_cast<int>(mixrules::Faders::DjMixer)); });
    const automix::Settings autoMixChoice = soundchoice::loadAutoMix();
    cboTransition->setCurrentIndex(static_cast<int>(autoMixChoice.transition));
    txtFadeSeconds->setValue(int(std::lround(autoMixChoice.fadeSeconds)));
    chkLevelSongs->setChecked(autoMixChoice.levelSongs);
    txtTargetLufs->setValue(int(std::lround(autoMixChoice.targetLufs)));
    auto enableAutoMix = [this] {
        txtFadeSeconds->setEnabled(cboTransition->currentIndex() ==
                                   static_cast<int>(automix::Transition::Crossfade));
        txtTargetLufs->setEnabled(chkLevelSongs->isChecked());
    };
    enableAutoMix();
    connect(cboTransition, &QComboBox::currentIndexChanged, this, enableAutoMix);
    connect(chkLevelSongs, &QCheckBox::toggled, this, enableAutoMix);
    fillDevices({choice.device}, {choice.device});
    cueRoutingChanged();
    connect(cboCueRouting, &QComboBox::currentIndexChanged, this, &SoundWindow::cueRoutingChanged);
    connect(sldCueBalance, &QSlider::valueChanged, this, &SoundWindow::cueBalanceMoved);

    m_driftTimer = new QTimer(this);
    m_driftTimer->setInterval(kDriftRefreshMs);
    connect(m_driftTimer, &QTimer::timeout, this, &SoundWindow::showDrift);
}

void SoundWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    showStatus();
    showDrift();
    m_driftTimer->start();
    refreshDevices();
}

void SoundWindow::hideEvent(QHideEvent* e) {
    m_driftTimer->stop();
    QWidget::hideEvent(e);
}

void SoundWindow::refreshDevices() {
    if (m_listing)
        return;
    m_listing = true;
    // The engine lists on a thread it owns and ends before it goes; the answer is dropped if this window goes
    // first.
    m_engine.requestDevices(this, [this](const std::vector<AudioEngine::DeviceInfo>& devices) {
        QStringList ids, descriptions;
        for (const auto& d : devices) {
            ids.append(QString::fromStdString(d.id));
            descriptions.append(QString::fromStdString(d.description));
        }
        fillDevices(ids, descriptions);
        m_listing = false;
    });
}

void SoundWindow::fillDevices(const QStringList& ids, const QStringList& descriptions) {
    const QString start = tr("Default (the sound server, else PortAudio)");
    fillDeviceList(cboDevice,
                   cboDevice->count() ? cboDevice->currentData().toString() : soundchoice::load().device,
                   start, ids, descriptions);
    fillDeviceList(cboCueDevice,
                   cboCueDevice->count() ? cboCueDevice->currentData().toString()
                                         : soundchoice::loadCue().device,
                   start, ids, descriptions);
}

// The first entry stands for the empty choice; the stored choice stays in the list even when it is not there
// now.
void SoundWindow::fillDeviceList(QComboBox* list, const QString& chosen, const QString& first,
                                 const QStringList& ids, const QStringList& descriptions) {
    list->clear();
    list->addItem(first, QString());
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (!ids[i].isEmpty())
            list->addItem(QStringLiteral("%1 (%2)").arg(descriptions[i], ids[i]), ids[i]);
    int at = list->findData(chosen);
    if (at < 0) {
        list->addItem(tr("%1 (not there now)").arg(chosen), chosen);
        at = list->count() - 1;
    }
    list->setCurrentIndex(at);
}

void SoundWindow::cueRoutingChanged() {
    const bool device = cboCueRouting->currentIndex() == static_cast<int>(AudioEngine::CueRouting::Device);
    cboCueDevice->setEnabled(device);
    lblCueDrift->setVisible(device);
}

// Only the balance moves: the routing and the device change on Apply.
void SoundWindow::cueBalanceMoved(int balance) {
    AudioEngine::CueOptions options = m_engine.cue();
    options.balance = static_cast<float>(balance) / soundchoice::kMaxCueBalance;
    m_engine.setCue(options);
}

void SoundWindow::showDrift() {
    if (!lblCueDrift->isVisibleTo(this))
        return;
    const AudioEngine::CueOptions cue = m_engine.cue();
    lblCueDrift->setText(
        cue.routing == AudioEngine::CueRouting::Device
            ? tr("Clock drift of the headphones: %1 ppm, corrected").arg(m_engine.cueDriftPpm(), 0, 'f', 1)
            : tr("Clock drift of the headphones: measured once they play"));
}

void SoundWindow::RecordFolder_Click() {
    const QString chosen = platform::prompts().chooseFolder(
        tr("Folder for recordings"),
        m_recordFolder.isEmpty() ? soundchoice::defaultRecordFolder() : m_recordFolder);
    if (chosen.isEmpty())
        return;
    m_recordFolder = QDir::cleanPath(chosen);
    showRecordFolder();
}

void SoundWindow::showRecordFolder() {
    const QString shown = QDir::toNativeSeparators(
        m_recordFolder.isEmpty() ? soundchoice::defaultRecordFolder() : m_recordFolder);
    lblRecordFolder->setText(m_recordFolder.isEmpty() ? tr("%1 (default)").arg(shown) : shown);
    cmdRecordFolderDefault->setEnabled(!m_recordFolder.isEmpty());
}

void SoundWindow::Apply_Click() {
    const soundchoice::Choice before = soundchoice::load();
    soundchoice::Choice choice;
    choice.device = cboDevice->currentData().toString();
    choice.latencyMs = txtLatency->value();
    soundchoice::save(choice);
    soundchoice::CueChoice cue;
    cue.routing = static_cast<AudioEngine::CueRouting>(cboCueRouting->currentIndex());
    cue.device = cboCueDevice->currentData().toString();
    cue.balance = sldCueBalance->value();
    soundchoice::saveCue(cue);
    soundchoice::saveRecordFormat(static_cast<AudioEngine::RecordFormat>(cboRecordFormat->currentIndex()));
    soundchoice::saveRecordFolder(m_recordFolder);
    soundchoice::saveFaders({static_cast<mixrules::Faders>(cboFaders->currentIndex()),
                             static_cast<mixrules::CrossfadeCurve>(cboCrossfade->currentIndex())});
    soundchoice::saveAutoMix({static_cast<automix::Transition>(cboTransition->currentIndex()),
                              double(txtFadeSeconds->value()), chkLevelSongs->isChecked(),
                              double(txtTargetLufs->value())});
    m_engine.setCue(soundchoice::cueOptions(cue));
    const auto keyLock = static_cast<AudioEngine::KeyLockEngine>(cboKeyLock->currentIndex());
    soundchoice::saveKeyLock(keyLock);
    m_engine.setKeyLockEngine(keyLock);
    showDrift();
    // Reopening the main device is a gap in the music: only a new device or latency is worth one, not a
    // change of the headphones or of the recording format in the middle of a set.
    if (choice.device == before.device && choice.latencyMs == before.latencyMs) {
        showStatus();
        emit applied();
        return;
    }
    platform::media::EngineOptions options;
    soundchoice::applyTo(choice, options);
    m_engine.useDevice(options);
    lblStatus->setText(tr("Moving the sound..."));
    emit applied();
}

void SoundWindow::showStatus() {
    const AudioEngine::Status s = m_engine.status();
    const soundchoice::Notice n = soundchoice::notice(s);
    lblStatus->setText(
        s.sound && n.text.isEmpty() ? tr("Playing on %1.").arg(QString::fromStdString(s.device)) : n.tip);
}

} // namespace player
