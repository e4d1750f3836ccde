// The decks' rules without a window.
#include <gtest/gtest.h>
#include <vector>

#include "console/deckrules.h"

using namespace player;

using namespace deckrules;

TEST(DeckRules, CaptionScrollsLeftAndStartsOverBeyondTheRightEdge) {
    // a 1125-twip caption starting at 45
    int left = 45;
    for (int tick = 1; tick <= 24; ++tick)
        left = nextCaptionLeft(left, 1125);
    EXPECT_EQ(left, -1155);
    EXPECT_EQ(nextCaptionLeft(left, 1125), 2500);
    // exactly at minus its width it is still (just) in sight: one more step
    EXPECT_EQ(nextCaptionLeft(-1125, 1125), -1175);
    // the width is rounded halves to even before comparing
    EXPECT_EQ(nextCaptionLeft(-1125, 1124.5), 2500);
    EXPECT_EQ(nextCaptionLeft(-1126, 1125.5), -1176);
}

TEST(DeckRules, SeekTarget) {
    struct Case {
        float x;
        float width;
        double length;
        double target;
    };
    const Case cases[] = {
        {1387.5f, 2775, 200, 100}, // the middle of a 200-second song
        {0, 2775, 200, 0},         // the left edge rewinds
        {2775, 2775, 200, 200},    // the right edge is the end
        {15, 2775, 200, 1.08108},  // one pixel in: share 0.5405405..., 5 places
        {1387.5f, 2775, 0, 0},     // no song
        {100, 0, 200, 0},          // a bar without width seeks nowhere odd
        {2775, 2775, 3.123456789, 3.12346},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(seekTarget(c.x, c.width, c.length), c.target) << c.x << " " << c.length;
}

TEST(DeckRules, DeckVolumeLevels) {
    struct Case {
        int value;
        int first;
        std::optional<int> second;
    };
    const Case cases[] = {
        {0, 0, std::nullopt},  {-4500, -4500, std::nullopt}, {-4501, -4501, -9640},
        {-5000, -5000, -9640}, {-200, -200, std::nullopt},
    };
    for (const Case& c : cases) {
        const DeckLevels l = deckVolumeLevels(c.value);
        EXPECT_EQ(l.first, c.first) << c.value;
        EXPECT_EQ(l.second, c.second) << c.value;
    }
}

TEST(DeckRules, CrossfadeLevels) {
    struct Case {
        int v;
        int level0;
        int level1;
    };
    const Case cases[] = {
        {50, -4500, -4500}, {100, -9000, 0}, {1, -90, -8910}, {0, -9000, 0}, {-10, -8100, -900}};
    for (const Case& c : cases) {
        const auto [l0, l1] = crossfadeLevels(c.v);
        EXPECT_EQ(l0, c.level0) << c.v;
        EXPECT_EQ(l1, c.level1) << c.v;
    }
    for (int v = 1; v <= 100; ++v) {
        const auto [l0, l1] = crossfadeLevels(v);
        EXPECT_EQ(l0, -90 * v);
        EXPECT_EQ(l0 + l1, -9000);
    }
}

TEST(DeckRules, NextInOrder) {
    EXPECT_EQ(nextInOrder(5, 2), 3);
    EXPECT_EQ(nextInOrder(5, 4), 0);
    EXPECT_EQ(nextInOrder(5, -1), 0);
    EXPECT_EQ(nextInOrder(1, 0), 0);
    EXPECT_EQ(nextInOrder(0, -1), std::nullopt);
}

TEST(DeckRules, RandomEntry) {
    EXPECT_EQ(randomEntry(4, 0.1), 0);
    EXPECT_EQ(randomEntry(4, 0.5), 2);
    EXPECT_EQ(randomEntry(4, 0.9), 4);   // outside: a new draw decides
    EXPECT_EQ(randomEntry(4, 0.625), 2); // 2.5 goes to the even 2
    EXPECT_EQ(randomEntry(4, 0.875), 4); // 3.5 goes to the even 4
}

TEST(DeckRules, RandomDrawsAgainUntilInsideTheList) {
    std::vector<double> draws = {0.9, 0.95, 0.3};
    size_t i = 0;
    auto draw = [&] { return draws[i++]; };
    EXPECT_EQ(nextRandom(4, draw), 1); // 0.9 and 0.95 both give 4; 0.3 gives round(1.2) = 1
    EXPECT_EQ(i, 3u);
    EXPECT_EQ(nextRandom(0, draw), std::nullopt);
    EXPECT_EQ(i, 3u); // an empty list draws nothing
    // a generator stuck at the top ends in the last entry instead of looping for ever
    EXPECT_EQ(nextRandom(4, [] { return 0.99; }), 3);
}
