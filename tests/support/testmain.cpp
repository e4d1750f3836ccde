// The main of every test program: a QApplication on the offscreen platform, private configuration and cache
// folders, so no test reads or writes the user's own settings or analyses, and the program's random generator
// at a fixed seed.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/random.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QApplication app(argc, argv);
    platform::rnd().seed(12345);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
