#pragma once

#include <array>
#include <string_view>

#include "mainlayout.h"

namespace player {

// Where everything of the DJ view lies, in twips from the view's own top left corner (left, top, width,
// height). The view unfolds beneath the main window's face and keeps its columns: deck 1 left, the master in
// the middle, deck 2 right; the two waveform strips run above them, their play heads one above the other,
// each deck's tempo buttons at its strip's outer end. Each deck's tempo fader stands at its column's outer
// edge, its knobs beneath its overview, the limiter's light beneath the meters.
namespace djlayout {

enum class Item {
    WavePanel,
    Wave0,
    Wave1,
    Deck0Column,
    MasterColumn,
    Deck1Column,
    State0,
    State1,
    Overview0,
    Overview1,
    Meter0,
    MeterMaster,
    Meter1,
    TempoRoom0,
    TempoRoom1,
    Knobs0,
    Knobs1,
    LimiterLight,
    TempoPanel0,
    TempoPanel1,
};

using mainlayout::Accent;
using mainlayout::Face;
using platform::TwipsRect;

struct Entry {
    Item item;
    TwipsRect rect;
    Face face;
    std::string_view word = {}; // a panel's heading, or what a room is kept for
    Accent accent = Accent::Neutral;
    const char* tip = nullptr;
};

// The view's size: as wide as the face, and this tall.
inline constexpr int kWidth = mainlayout::kVisibleWidth;
inline constexpr int kHeight = 3900;

// clang-format off
inline constexpr std::array kTable = {
    Entry{Item::WavePanel, {240, 60, 7530, 1680}, Face::Panel},
    Entry{Item::Deck0Column, {240, 1815, 3105, 2010}, Face::Panel, "", Accent::Deck0},
    Entry{Item::MasterColumn, {3405, 1815, 1170, 2010}, Face::Panel},
    Entry{Item::Deck1Column, {4635, 1815, 3135, 2010}, Face::Panel, "", Accent::Deck1},

    Entry{Item::Wave0, {1080, 120, 5850, 765}, Face::Well, "", Accent::Deck0,
          "Deck 1 around its play head (the wheel or + and - zoom)"},
    Entry{Item::Wave1, {1080, 915, 5850, 765}, Face::Well, "", Accent::Deck1,
          "Deck 2 around its play head (the wheel or + and - zoom)"},

    Entry{Item::State0, {660, 1875, 2625, 600}, Face::None, "", Accent::Deck0},
    Entry{Item::Overview0, {660, 2550, 2625, 390}, Face::Well, "", Accent::Deck0,
          "The whole song of deck 1: a click moves the deck there"},
    Entry{Item::State1, {4695, 1875, 2655, 600}, Face::None, "", Accent::Deck1},
    Entry{Item::Overview1, {4695, 2550, 2655, 390}, Face::Well, "", Accent::Deck1,
          "The whole song of deck 2: a click moves the deck there"},

    Entry{Item::Meter0, {3465, 1875, 270, 1590}, Face::None, "1", Accent::Deck0, "Level of deck 1, left and right"},
    Entry{Item::MeterMaster, {3855, 1875, 270, 1590}, Face::None, "M", Accent::Neutral,
          "Level of the mix, left and right"},
    Entry{Item::Meter1, {4245, 1875, 270, 1590}, Face::None, "2", Accent::Deck1, "Level of deck 2, left and right"},

    Entry{Item::TempoRoom0, {300, 1875, 300, 1590}, Face::None, "tempo", Accent::Deck0,
          "Tempo of deck 1: drag, or the wheel; a double-click sets 0 %"},
    Entry{Item::TempoRoom1, {7410, 1875, 300, 1590}, Face::None, "tempo", Accent::Deck1,
          "Tempo of deck 2: drag, or the wheel; a double-click sets 0 %"},
    Entry{Item::TempoPanel0, {300, 120, 720, 765}, Face::None, "key sync", Accent::Deck0},
    Entry{Item::TempoPanel1, {6990, 915, 720, 765}, Face::None, "key sync", Accent::Deck1},
    Entry{Item::Knobs0, {660, 3000, 2625, 780}, Face::None, "", Accent::Deck0},
    Entry{Item::Knobs1, {4695, 3000, 2655, 780}, Face::None, "", Accent::Deck1},
    Entry{Item::LimiterLight, {3465, 3540, 1050, 225}, Face::None, "LIMIT", Accent::Neutral,
          "The master's limiter: lit while it holds the mix down, so that nothing clips"},
};
// clang-format on

constexpr const Entry& entry(Item item) {
    for (const Entry& e : kTable)
        if (e.item == item)
            return e;
    return kTable[0]; // unreachable: every item is listed once (checked below)
}

static_assert([] {
    for (int i = 0; i <= int(Item::TempoPanel1); ++i) {
        int times = 0;
        for (const Entry& e : kTable)
            times += int(e.item) == i ? 1 : 0;
        if (times != 1)
            return false;
    }
    for (const Entry& e : kTable)
        if (e.rect.left < 0 || e.rect.top < 0 || e.rect.left + e.rect.width > kWidth ||
            e.rect.top + e.rect.height > kHeight)
            return false;
    return true;
}());

constexpr TwipsRect rect(Item item) {
    return entry(item).rect;
}

// The per-deck places, by deck index.
inline constexpr std::array<Item, 2> kWave = {Item::Wave0, Item::Wave1};
inline constexpr std::array<Item, 2> kState = {Item::State0, Item::State1};
inline constexpr std::array<Item, 2> kOverview = {Item::Overview0, Item::Overview1};
inline constexpr std::array<Item, 2> kMeter = {Item::Meter0, Item::Meter1};
inline constexpr std::array<Item, 2> kKnobs = {Item::Knobs0, Item::Knobs1};
inline constexpr std::array<Item, 2> kTempo = {Item::TempoRoom0, Item::TempoRoom1};
inline constexpr std::array<Item, 2> kTempoPanel = {Item::TempoPanel0, Item::TempoPanel1};

} // namespace djlayout

} // namespace player
