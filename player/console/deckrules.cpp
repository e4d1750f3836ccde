#include "deckrules.h"

#include "core/rounding.h"

namespace player {

namespace deckrules {

namespace {
constexpr int kMaxDraws = 64;
} // namespace

int nextCaptionLeft(int left, double width) {
    if (left < -platform::roundToInt(width))
        return 2500;
    return left - 50;
}

double seekTarget(float x, float widthTwips, double length) {
    if (!(widthTwips > 0))
        return 0;
    const float share = x * 100.0f / widthTwips;
    const double sharePct = platform::roundHalfEven(static_cast<double>(share), 10);
    return platform::roundHalfEven(length * sharePct / 100.0, 5);
}

DeckLevels deckVolumeLevels(int v) {
    if (v < -4500)
        return {v, -9640};
    return {v, std::nullopt};
}

std::pair<int, int> crossfadeLevels(int v) {
    int a = 0;
    int b = 0;
    if (v > 0) {
        a = 100 - v;
        b = v;
    } else {
        a = -v;
        b = v + 100;
    }
    auto level = [](int share) {
        return platform::roundToInt(static_cast<double>(share * 9000) / 100.0) - 9000;
    };
    return {level(a), level(b)};
}

std::optional<int> nextInOrder(int count, int current) {
    if (count <= 0)
        return std::nullopt;
    int n = current + 1;
    if (n >= count || n < 0)
        n = 0;
    return n;
}

int randomEntry(int count, double r) {
    const float product = static_cast<float>(count) * static_cast<float>(r);
    return platform::roundToInt(static_cast<double>(product));
}

// A draw that reaches `count` (r close to 1) falls outside the list; drawing again until it falls inside
// keeps every entry reachable and never selects a missing one.
std::optional<int> nextRandom(int count, const std::function<double()>& draw) {
    if (count <= 0)
        return std::nullopt;
    // A uniform draw reaches `count` with a chance of 1 in 2 × count; a generator stuck there ends in the
    // last entry.
    for (int i = 0; i < kMaxDraws; ++i) {
        const int n = randomEntry(count, draw());
        if (n >= 0 && n < count)
            return n;
    }
    return count - 1;
}

} // namespace deckrules

} // namespace player
