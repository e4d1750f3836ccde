#pragma once

#include <functional>
#include <optional>
#include <utility>

namespace player {

// The rules the decks follow, free of any window, so tests can call them directly.
namespace deckrules {

// The next left edge of a deck caption (twips) scrolling right to left through its viewport: once it has
// moved completely out on the left it starts again just beyond the right edge.
int nextCaptionLeft(int left, double width);

// Where a press at `x` twips on a bar `widthTwips` wide sends a song of `length` seconds: the share left of
// the pointer in single precision rounded to 10 places, the target rounded to 5 places, halves to even.
double seekTarget(float x, float widthTwips, double length);

// The levels a deck's volume slider writes, in order: the value itself and, in the slider's bottom tenth,
// -9640.
struct DeckLevels {
    int first;
    std::optional<int> second;
};
DeckLevels deckVolumeLevels(int sliderValue);

// The crossfader at V (1 to 100) gives deck 0 and deck 1 these levels; the two always add up to -9000.
std::pair<int, int> crossfadeLevels(int v);

// The entry the auto-mix moves to in a list of `count` entries: in order, the one after `current` (wrapping
// to 0; -1 = nothing selected); random, round(count × r) drawn until it falls inside the list. Nothing for an
// empty list.
std::optional<int> nextInOrder(int count, int current);
std::optional<int> nextRandom(int count, const std::function<double()>& draw);
// One random draw: round(count × r) with the product in single precision, halves to even.
int randomEntry(int count, double r);

} // namespace deckrules

} // namespace player
