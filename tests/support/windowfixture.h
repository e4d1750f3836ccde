#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "listcolumn.h"
#include "media/audioengine.h"
#include "scriptedprompts.h"
#include "tempdir.h"
#include "windows/mainelements.h"
#include "windows/mainwindow.h"

// The window's command on `keys`, or null.
inline QAction* keyAction(player::MainWindow& w, const QKeySequence& keys) {
    for (QAction* a : w.keyActions())
        if (a->shortcuts().contains(keys))
            return a;
    return nullptr;
}

// A main window on an engine (offline unless a test brings its own), with a folder of its own and scripted
// answers for every box. Quitting does nothing and both timers are stopped: a test ticks them when it means
// to.
class WindowFixture : public ::testing::Test {
protected:
    explicit WindowFixture(std::unique_ptr<platform::media::AudioEngine> audio =
                               platform::media::AudioEngine::createOffline(8000))
        : engine(std::move(audio)) {
        w.setQuitAction([] {});
        ui.Timer1->stop();
        ui.Timer2->stop();
    }

    // One entry at the end of both list columns.
    void addEntry(const QString& name, const QString& path) {
        ui.lstnames->addItem(name);
        ui.lstFiles->addItem(path);
    }
    // Plays the offline engine on by `seconds`, then lets the window hear of song ends.
    void render(double seconds) {
        const int rate = engine->sampleRate(), block = rate / 10;
        std::vector<float> out(2 * block);
        for (int left = static_cast<int>(seconds * rate); left > 0; left -= block)
            engine->render(out.data(), std::min(left, block));
        QCoreApplication::processEvents();
    }

    TempDir dir;
    std::unique_ptr<platform::media::AudioEngine> engine;
    ScriptedPrompts prompts;
    player::MainWindow w{*engine};
    player::MainElements& ui = w.elementsForTest();
};
