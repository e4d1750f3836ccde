#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace platform::media {
class AudioEngine;
}

namespace player {

// The "Sound" settings window: which device and what latency, where the pre-listen goes, in what format and
// to which folder the mix is recorded, and how the sliders reach the decks. Not modal; Apply stores the
// choice in the settings file and moves the sound to it at once, the decks keeping their places. The
// pre-listen balance is heard as it moves.
class SoundWindow : public QWidget {
    Q_OBJECT
public:
    explicit SoundWindow(platform::media::AudioEngine& engine, QWidget* parent = nullptr);

signals:
    // The choices were stored and handed to the engine.
    void applied();

public:
    QComboBox* cboDevice = nullptr;
    QSpinBox* txtLatency = nullptr;
    QGroupBox* grpCue = nullptr;
    QComboBox* cboCueRouting = nullptr; // in the order of AudioEngine::CueRouting
    QComboBox* cboCueDevice = nullptr;
    QSlider* sldCueBalance = nullptr; // 0 the cue mix only ... 100 the main mix only
    QLabel* lblCueDrift = nullptr;
    QGroupBox* grpRecord = nullptr;
    QComboBox* cboRecordFormat = nullptr; // in the order of AudioEngine::RecordFormat
    QLabel* lblRecordFolder = nullptr;
    QPushButton* cmdRecordFolder = nullptr;        // chooses the folder
    QPushButton* cmdRecordFolderDefault = nullptr; // back to the default
    QGroupBox* grpFaders = nullptr;
    QComboBox* cboFaders = nullptr;    // in the order of mixrules::Faders
    QComboBox* cboCrossfade = nullptr; // in the order of mixrules::CrossfadeCurve
    QComboBox* cboKeyLock = nullptr;   // in the order of AudioEngine::KeyLockEngine
    QGroupBox* grpAutoMix = nullptr;
    QComboBox* cboTransition = nullptr; // in the order of automix::Transition
    QSpinBox* txtFadeSeconds = nullptr;
    QCheckBox* chkLevelSongs = nullptr;
    QSpinBox* txtTargetLufs = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;

    void Apply_Click();
    void RecordFolder_Click();
    // The folder chosen here, stored on Apply; empty for the default.
    QString recordFolder() const { return m_recordFolder; }
    // Lists the devices off the UI thread (a back-end may probe for a while) and fills the list when done.
    void refreshDevices();
    bool listing() const { return m_listing; }
    // What the engine says of the sound now: the device in use, or what is wrong with it.
    void showStatus();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void fillDevices(const QStringList& ids, const QStringList& descriptions);
    void fillDeviceList(QComboBox* list, const QString& chosen, const QString& first, const QStringList& ids,
                        const QStringList& descriptions);
    void cueRoutingChanged();
    void cueBalanceMoved(int balance);
    void showDrift();
    void showRecordFolder();
    QTimer* m_driftTimer = nullptr;
    platform::media::AudioEngine& m_engine;
    bool m_listing = false;
    QString m_recordFolder;
};

} // namespace player
