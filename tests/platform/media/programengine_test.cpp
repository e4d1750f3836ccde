// The program-wide engine, in a program of its own: it lives on until exit, looking for a device now and
// then; what the libraries under PortAudio say of missing cards and servers never reaches standard error.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "stderrcapture.h"

using namespace platform::media;

namespace {

TEST(DeviceFallback, WithoutADeviceTheEngineSaysSoOnceAndNothingElse) {
    // No sound server and no JACK server answers this process (nor is one started); a sound card, if the
    // machine has one, does: then the line cannot be seen, and the test says it was skipped instead of
    // passing.
    qputenv("PULSE_SERVER", "unix:/nonexistent/deckmora-no-server");
    qputenv("JACK_NO_START_SERVER", "1");
    qputenv("JACK_DEFAULT_SERVER", "deckmora-no-server");
    StderrCapture capture;
    // The host names itself and picks the period; the engine holds the period to its range.
    EngineOptions host;
    host.name = "Host";
    host.period = 100;
    AudioEngine& engine = AudioEngine::instance(host);
    MediaPlayer mp; // the program-wide engine
    ASSERT_TRUE(engine.waitUntilSettled(5000));
    EXPECT_GT(engine.sampleRate(), 0);
    EXPECT_EQ(engine.period(), 256);
    host.name = "Other";
    EXPECT_EQ(&AudioEngine::instance(host), &engine);
    if (engine.output() == AudioEngine::Output::Device)
        GTEST_SKIP() << "this machine has a sound card";
    EXPECT_EQ(engine.output(), AudioEngine::Output::Null);
    EXPECT_FALSE(engine.status().sound);
    EXPECT_EQ(capture.text(), QStringLiteral("Host: no sound device; playing without sound.\n"));
}

} // namespace
