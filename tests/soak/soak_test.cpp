// A long unattended mix: both decks in auto-mix through a list of 200 very short songs, some missing, some
// corrupt, for 10,000 song changes on the offline output. What an evening at a party does to the player, in
// seconds.
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTimer>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/random.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "windowfixture.h"

using namespace player;

namespace {

constexpr int kRate = 8000;
constexpr int kSongs = 200;
constexpr int kChanges = 10000;
constexpr int kRandomFrom = kChanges / 2; // "Go on playing..." first, then "Random playing"
constexpr int kBaselineAt = 100;
// A render block a little longer than a song, so each block ends about one song per deck.
constexpr int kBlock = 256;
// Renders without a single song change before the mix counts as stalled.
constexpr int kStallRenders = 50;
constexpr double kMiB = 1024.0 * 1024.0;

// AddressSanitizer keeps freed memory in quarantine, so the resident size grows with every allocation there;
// under it leaks are its own leak checker's to find.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeans = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeans = false;
#else
constexpr bool kResidentSizeMeans = true;
#endif
#else
constexpr bool kResidentSizeMeans = true;
#endif

// Resident set size of this process, in bytes.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

class Soak : public WindowFixture,
             public ::testing::WithParamInterface<platform::media::AudioEngine::Decoding> {
protected:
    Soak() : WindowFixture(platform::media::AudioEngine::createOffline(kRate, GetParam())) {}

    // Entry i: every 20th missing, every 25th random bytes, every 30th a header alone, every 35th cut short;
    // the rest play for two to four hundredths of a second.
    void fillList() {
        QRandomGenerator rng(10);
        for (int i = 0; i < kSongs; ++i) {
            const QString name = QStringLiteral("song %1.wav").arg(i, 3, 10, QLatin1Char('0'));
            QString path = dir.file(name);
            if (i % 20 == 7) {
                path = dir.file(QStringLiteral("gone/") + name);
                ++m_missing;
            } else if (i % 25 == 3) {
                QByteArray noise(3000, '\0');
                for (char& c : noise)
                    c = static_cast<char>(rng.bounded(256));
                dir.write(name, noise);
                ++m_corrupt;
            } else if (i % 30 == 11) {
                songfiles::writeCutShort(dir.file(name), kRate, 0, 0);
                ++m_corrupt;
            } else if (i % 35 == 13) {
                songfiles::writeCutShort(dir.file(name), kRate, 100, 4000);
                ++m_corrupt;
            } else {
                const int frames = 160 + static_cast<int>(rng.bounded(160));
                songfiles::writeCutShort(dir.file(name), kRate, frames, frames);
            }
            addEntry(name, path);
        }
    }

    // The two lists must hold the same entries in the same order and agree on the selection.
    void expectListsInStep() {
        ASSERT_EQ(ui.lstnames->count(), kSongs);
        ASSERT_EQ(ui.lstFiles->count(), kSongs);
        const int row = ui.lstnames->currentRow();
        ASSERT_EQ(ui.lstFiles->currentRow(), row);
        ASSERT_GE(row, 0);
        ASSERT_EQ(QFileInfo(ui.lstFiles->item(row)->text()).fileName(), ui.lstnames->item(row)->text());
    }

    int m_missing = 0;
    int m_corrupt = 0;
};

TEST_P(Soak, TenThousandSongChangesWithoutCrashStallOrGrowth) {
    platform::rnd().seed(10);
    fillList();
    ASSERT_GT(m_missing, 0);
    ASSERT_GT(m_corrupt, 0);

    int changes = 0;
    std::array<int, 2> deckChanges{};
    for (int d = 0; d < 2; ++d)
        QObject::connect(ui.MP[d], &platform::media::MediaPlayer::ended, [&changes, &deckChanges, d] {
            ++changes;
            ++deckChanges[d];
        });

    const auto start = std::chrono::steady_clock::now();
    ui.chbgoon->setChecked(true);
    ui.lstnames->setCurrentRow(0);
    w.MP_EndOfStream(0, 0);
    w.MP_EndOfStream(1, 0);

    std::vector<float> out(2 * kBlock);
    double baseline = 0;
    int renders = 0, lastChange = 0, lastChangeRender = 0;
    while (changes < kChanges) {
        engine->render(out.data(), kBlock);
        QCoreApplication::processEvents();
        w.Timer1_Timer();
        w.Timer2_Timer();
        ++renders;
        if (changes != lastChange) {
            lastChange = changes;
            lastChangeRender = renders;
        }
        ASSERT_LT(renders - lastChangeRender, kStallRenders) << "stalled after " << changes << " changes";
        if (baseline == 0 && changes >= kBaselineAt)
            baseline = residentBytes();
        if (!ui.chbrandom->isChecked() && changes >= kRandomFrom)
            ui.chbrandom->setChecked(true);
        if (renders % 100 == 0)
            expectListsInStep();
        // Both decks keep a song: a deck resting without one would mean the mix gave up on it.
        ASSERT_TRUE(ui.MP[0]->hasMedia() && ui.MP[1]->hasMedia()) << changes;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double end = residentBytes();

    expectListsInStep();
    EXPECT_TRUE(ui.chbrandom->isChecked());
    for (int d = 0; d < 2; ++d)
        EXPECT_GT(deckChanges[d], kChanges / 4) << "deck " << d;
    EXPECT_EQ(prompts.count(), 0); // an unattended mix shows no box
    if (kResidentSizeMeans) {
        EXPECT_LT(std::abs(end - baseline), 5 * kMiB)
            << "resident " << baseline / kMiB << " MiB after " << kBaselineAt << " changes, " << end / kMiB
            << " MiB at the end";
    }
    std::printf(
        "soak: %d song changes in %d renders, %.2f s; resident %.2f MiB after %d changes, %.2f MiB at "
        "the end\n",
        changes, renders, seconds, baseline / kMiB, kBaselineAt, end / kMiB);
}

INSTANTIATE_TEST_SUITE_P(Decoding, Soak,
                         ::testing::Values(platform::media::AudioEngine::Decoding::Inline,
                                           platform::media::AudioEngine::Decoding::Threads),
                         [](const auto& info) {
                             return info.param == platform::media::AudioEngine::Decoding::Inline
                                        ? std::string("Inline")
                                        : std::string("Threads");
                         });

} // namespace
