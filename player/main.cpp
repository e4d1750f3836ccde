#include <QApplication>

#include "core/random.h"
#include "media/audioengine.h"
#include "program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program ends only through the close question; hiding or minimising its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::rnd().seedFromEntropy();
    Program program(platform::media::AudioEngine::instance());
    program.start();
    return app.exec();
}
