// The program-wide engine, in a program of its own: it lives on until exit, looking for a device now and
// then, and PortAudio's probing silences standard error while it runs, which other tests read.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "stderrcapture.h"

using namespace platform::media;

namespace {

TEST(DeviceFallback, WithoutADeviceTheEngineSaysSoOnceAndNothingElse) {
    StderrCapture capture;
    // The host names itself and picks the period; the engine holds the period to its range.
    EngineOptions host;
    host.name = "Host";
    host.period = 100;
    AudioEngine& engine = AudioEngine::instance(host);
    MediaPlayer mp; // the program-wide engine
    ASSERT_TRUE(engine.waitUntilSettled(5000));
    const QString text = capture.text();
    if (engine.output() == AudioEngine::Output::Device) {
        EXPECT_EQ(text, QString());
    } else {
        EXPECT_EQ(engine.output(), AudioEngine::Output::Null);
        EXPECT_FALSE(engine.status().sound);
        EXPECT_EQ(text, QStringLiteral("Host: no sound device; playing without sound.\n"));
    }
    EXPECT_GT(engine.sampleRate(), 0);
    EXPECT_EQ(engine.period(), 256);
    host.name = "Other";
    EXPECT_EQ(&AudioEngine::instance(host), &engine);
}

} // namespace
