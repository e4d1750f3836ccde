#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace platform::media {
class AudioEngine;
}

// The "Sound" settings window: which device and what latency. Not modal; Apply stores the choice in the
// settings file and moves the sound to it at once, the decks keeping their places.
class frmSound : public QWidget {
    Q_OBJECT
public:
    explicit frmSound(platform::media::AudioEngine& engine, QWidget* parent = nullptr);

    QComboBox* cboDevice = nullptr;
    QSpinBox* txtLatency = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;

    void Apply_Click();
    // Lists the devices off the UI thread (a back-end may probe for a while) and fills the list when done.
    void refreshDevices();
    bool listing() const { return m_listing; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void fillDevices(const QStringList& ids, const QStringList& descriptions);
    void showStatus();
    platform::media::AudioEngine& m_engine;
    bool m_listing = false;
};
