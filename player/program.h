#pragma once

#include <functional>
#include <memory>

#include "media/engineoptions.h"

namespace platform::media {
class AudioEngine;
}

namespace player {

class WelcomeWindow;
class AboutWindow;
class MainWindow;

// What Deckmora tells the audio engine: its name for the engine's line on standard error, the period that
// DECKMORA_AUDIO_PERIOD asks for (512 frames when unset or not a positive number), and the sound device and
// latency stored in the settings file.
platform::media::EngineOptions engineOptions();

// The program's windows, each created once on first use and then only hidden and shown.
class Program {
public:
    explicit Program(platform::media::AudioEngine& engine);
    ~Program();

    // The program's name and icon wherever the desktop shows them (task bar, window list, every box), called
    // once the application object exists and before the first window.
    static void nameApplication();

    // Creates the first-run window and runs its load: the welcome or, straight away, the splash.
    void start();

    WelcomeWindow& welcome();
    AboutWindow& about();
    MainWindow& mainWindow();
    bool hasMainWindow() const { return m_main != nullptr; }
    // Runs once the main window is up at the end of loading.
    void setMainWindowShown(std::function<void(MainWindow&)> f) { m_mainShown = std::move(f); }

private:
    platform::media::AudioEngine& m_engine;
    std::unique_ptr<WelcomeWindow> m_welcome;
    std::unique_ptr<AboutWindow> m_about;
    std::unique_ptr<MainWindow> m_main;
    std::function<void(MainWindow&)> m_mainShown;
};

} // namespace player
