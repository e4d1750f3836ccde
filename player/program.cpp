#include "program.h"

#include <QApplication>
#include <cstdlib>

#include "console/listkeeper.h"
#include "console/soundchoice.h"
#include "console/windowsize.h"
#include "windows/aboutwindow.h"
#include "windows/mainwindow.h"
#include "windows/skin.h"
#include "windows/welcomewindow.h"

namespace player {

void Program::nameApplication() {
    // A window with an empty title (the main window's, while not minimised) is listed under the application's
    // name, by default the executable's in lower case. The name, not a display name: a display name would be
    // added to every other window's title as well ("Search — Deckmora") and cut the longer ones short.
    QApplication::setApplicationName(QStringLiteral("Deckmora"));
    QApplication::setDesktopFileName(QStringLiteral("deckmora"));
    QApplication::setWindowIcon(skin::appIcon());
}

platform::media::EngineOptions engineOptions() {
    platform::media::EngineOptions options;
    options.name = "Deckmora";
    const char* period = std::getenv("DECKMORA_AUDIO_PERIOD");
    if (const int frames = period ? std::atoi(period) : 0; frames > 0)
        options.period = frames;
    soundchoice::applyTo(soundchoice::load(), options);
    return options;
}

Program::Program(platform::media::AudioEngine& engine) : m_engine(engine) {}

Program::~Program() {
    // The main window asks the about window for the debug word; it goes first.
    m_main.reset();
    m_about.reset();
    m_welcome.reset();
}

void Program::start() {
    welcome().Form_Load();
}

WelcomeWindow& Program::welcome() {
    if (!m_welcome)
        m_welcome = std::make_unique<WelcomeWindow>([this] { about().show(); });
    return *m_welcome;
}

AboutWindow& Program::about() {
    if (!m_about)
        m_about = std::make_unique<AboutWindow>([this] {
            mainWindow().show();
            if (m_mainShown)
                m_mainShown(*m_main);
        });
    return *m_about;
}

MainWindow& Program::mainWindow() {
    if (!m_main) {
        m_main = std::make_unique<MainWindow>(m_engine);
        m_main->setAboutWindow(&about());
        m_main->keepList(ListKeeper::defaultPath());
        m_main->showAtSize(windowsize::read());
    }
    return *m_main;
}

} // namespace player
