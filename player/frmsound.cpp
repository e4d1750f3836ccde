#include "frmsound.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>

#include "media/audioengine.h"
#include "soundchoice.h"

using platform::media::AudioEngine;

frmSound::frmSound(AudioEngine& engine, QWidget* parent) : QWidget(parent, Qt::Window), m_engine(engine) {
    setWindowTitle(tr("Sound"));
    cboDevice = new QComboBox(this);
    cboDevice->setObjectName(QStringLiteral("cboDevice"));
    txtLatency = new QSpinBox(this);
    txtLatency->setObjectName(QStringLiteral("txtLatency"));
    txtLatency->setRange(soundchoice::kMinLatencyMs, soundchoice::kMaxLatencyMs);
    txtLatency->setSuffix(tr(" ms"));
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
    layout->addWidget(lblStatus);
    layout->addLayout(buttons);
    connect(cmdApply, &QPushButton::clicked, this, &frmSound::Apply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::hide);

    const soundchoice::Choice choice = soundchoice::load();
    txtLatency->setValue(choice.latencyMs);
    fillDevices({choice.device}, {choice.device});
}

void frmSound::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    showStatus();
    refreshDevices();
}

void frmSound::refreshDevices() {
    if (m_listing)
        return;
    m_listing = true;
    auto *ids = new QStringList, *descriptions = new QStringList;
    QThread* worker = QThread::create([ids, descriptions] {
        for (const auto& d : AudioEngine::listDevices()) {
            ids->append(QString::fromStdString(d.id));
            descriptions->append(QString::fromStdString(d.description));
        }
    });
    connect(worker, &QThread::finished, this, [this, worker, ids, descriptions] {
        fillDevices(*ids, *descriptions);
        delete ids;
        delete descriptions;
        worker->deleteLater();
        m_listing = false;
    });
    worker->start();
}

// The first entry is the start order; the stored choice stays in the list even when it is not there now.
void frmSound::fillDevices(const QStringList& ids, const QStringList& descriptions) {
    const QString chosen =
        cboDevice->count() ? cboDevice->currentData().toString() : soundchoice::load().device;
    cboDevice->clear();
    cboDevice->addItem(tr("Default (the sound server, else PortAudio)"), QString());
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (!ids[i].isEmpty())
            cboDevice->addItem(QStringLiteral("%1 (%2)").arg(descriptions[i], ids[i]), ids[i]);
    int at = cboDevice->findData(chosen);
    if (at < 0) {
        cboDevice->addItem(tr("%1 (not there now)").arg(chosen), chosen);
        at = cboDevice->count() - 1;
    }
    cboDevice->setCurrentIndex(at);
}

void frmSound::Apply_Click() {
    soundchoice::Choice choice;
    choice.device = cboDevice->currentData().toString();
    choice.latencyMs = txtLatency->value();
    soundchoice::save(choice);
    platform::media::EngineOptions options;
    soundchoice::applyTo(choice, options);
    m_engine.useDevice(options);
    lblStatus->setText(tr("Moving the sound..."));
}

void frmSound::showStatus() {
    const AudioEngine::Status s = m_engine.status();
    const soundchoice::Notice n = soundchoice::notice(s);
    lblStatus->setText(
        s.sound && n.text.isEmpty() ? tr("Playing on %1.").arg(QString::fromStdString(s.device)) : n.tip);
}
