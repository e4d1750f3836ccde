#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/colours.h"
#include "core/twips.h"

namespace player {

// Where everything on the main window lies, in twips (left, top, width, height). The window places its
// widgets from this table and the skin paints its panels and button words from it, so a word and its
// clickable area cannot drift.
namespace mainlayout {

enum class Item {
    // the title strip
    lblCaption,
    Min,
    Close0,
    Close1,
    About,
    Rec,
    lblRec,
    DJ,
    // the decks
    Deck0Panel,
    Deck1Panel,
    MixerPanel,
    SongInfo0,
    SongInfo1,
    PB1_0,
    PB1_1,
    Vorig0,
    Play0,
    Pause0,
    Stop0,
    Volgend0,
    Vorig1,
    Play1,
    Pause1,
    Stop1,
    Volgend1,
    LoadToPlayer0,
    LoadToPlayer1,
    Cue0,
    Cue1,
    Vol0,
    Vol1,
    volMain,
    // the song list
    PlaylistPanel,
    lstnames,
    Search,
    lblsearch,
    ListPanel,
    lblnrs,
    Add,
    Remove,
    Clear,
    New,
    Open,
    Save,
    edit,
    // auto-mix
    AutoPlayBox,
    chbgoon,
    chbrandom,
    // the hidden work area
    WorkArea,
    lblWerkgebied,
    lstFiles,
    MP0,
    MP1,
    // the footer's notice, over the maker's line (the DJ switch lies over its free end)
    lblSound,
};

// How the skin shows an item: a pad carries a painted word and an image button lies over it; a glyph is a
// small painted sign under an image button; a switch is a pad with a sign and a word that lights up while on
// (its button paints the lit face); a panel is a painted surface with an optional heading; a well is
// a sunken place for a control that draws itself.
enum class Face { None, Pad, Glyph, Switch, Panel, Well };

// Accent of a pad or panel: neutral, deck 1 (left), deck 2 (right), or the transport's own colours.
enum class Accent { Neutral, Deck0, Deck1, PlayGreen, StopRed, Danger };

struct Entry {
    Item item;
    platform::TwipsRect rect;
    Face face;
    std::string_view word; // painted word of a pad or glyph, heading of a panel
    Accent accent = Accent::Neutral;
    // What a pointer resting on it is told; every pad, glyph, switch and fader has one.
    const char* tip = nullptr;
};

using platform::TwipsRect;

// The designed client area; the window is cut to kVisible unless the debug word is on.
inline constexpr int kDesignWidth = 10470;
inline constexpr int kDesignHeight = 5955;
inline constexpr int kVisibleWidth = 8010;
inline constexpr int kVisibleHeight = 5955;
// The painted background, in pixels.
inline constexpr int kSkinWidth = 533;
inline constexpr int kSkinHeight = 400;

// Deck captions start again here, just beyond the right edge of their 2295-twip viewport.
inline constexpr int kCaptionRestart = 2500;
inline constexpr int kCaptionStep = 50;

// Positions of a deck caption inside its viewport.
inline constexpr std::array<TwipsRect, 2> kLblnow = {TwipsRect{45, 45, 0, 195}, TwipsRect{60, 45, 0, 195}};

// Panels come before the items that lie on them: the skin paints in table order.
// clang-format off
inline constexpr std::array kTable = {
    Entry{Item::Deck0Panel, {240, 360, 3105, 1590}, Face::Panel, "DECK 1", Accent::Deck0},
    Entry{Item::Deck1Panel, {4635, 360, 3135, 1590}, Face::Panel, "DECK 2", Accent::Deck1},
    Entry{Item::MixerPanel, {3405, 360, 1170, 1590}, Face::Panel, "", Accent::Neutral},
    Entry{Item::PlaylistPanel, {240, 2025, 7530, 2205}, Face::Panel, "", Accent::Neutral},
    Entry{Item::AutoPlayBox, {120, 4320, 3435, 1140}, Face::Panel, "auto-play functions", Accent::Neutral},
    Entry{Item::ListPanel, {3660, 4320, 4125, 1140}, Face::Panel, "playlist", Accent::Neutral},

    Entry{Item::lblCaption, {600, 45, 6735, 255}, Face::None, ""},
    Entry{Item::Min, {7560, 120, 135, 135}, Face::Glyph, "_", Accent::Neutral, "Minimise"},
    Entry{Item::Close0, {7680, 0, 255, 255}, Face::Glyph, "x", Accent::Danger, "Close Deckmora"},
    Entry{Item::Close1, {240, 5640, 735, 255}, Face::Pad, "EXIT", Accent::Danger, "Close Deckmora"},
    Entry{Item::About, {2760, 5640, 735, 255}, Face::Pad, "ABOUT", Accent::Neutral, "About Deckmora"},
    Entry{Item::Rec, {1080, 5640, 615, 255}, Face::Switch, "REC", Accent::StopRed, "Record the mix"},
    Entry{Item::lblRec, {1740, 5640, 960, 255}, Face::None, ""},
    Entry{Item::DJ, {5220, 5640, 495, 255}, Face::Switch, "DJ", Accent::Neutral, "Open or close the DJ view"},

    Entry{Item::SongInfo0, {570, 795, 2295, 255}, Face::Well, ""},
    Entry{Item::SongInfo1, {5070, 780, 2295, 255}, Face::Well, ""},
    Entry{Item::PB1_0, {360, 1200, 2775, 255}, Face::Well, "", Accent::Deck0},
    Entry{Item::PB1_1, {4800, 1200, 2775, 255}, Face::Well, "", Accent::Deck1},
    Entry{Item::Vorig0, {600, 1560, 255, 255}, Face::Pad, "<<", Accent::Deck0, "Back 5 seconds"},
    Entry{Item::Play0, {960, 1560, 495, 255}, Face::Pad, "play", Accent::PlayGreen, "Play"},
    Entry{Item::Pause0, {1440, 1560, 615, 255}, Face::Pad, "pause", Accent::Deck0, "Pause"},
    Entry{Item::Stop0, {2040, 1560, 495, 255}, Face::Pad, "stop", Accent::StopRed, "Stop and rewind"},
    Entry{Item::Volgend0, {2640, 1560, 255, 255}, Face::Pad, ">>", Accent::Deck0, "Forward 5 seconds"},
    Entry{Item::Vorig1, {5040, 1560, 255, 255}, Face::Pad, "<<", Accent::Deck1, "Back 5 seconds"},
    Entry{Item::Play1, {5400, 1560, 495, 255}, Face::Pad, "play", Accent::PlayGreen, "Play"},
    Entry{Item::Pause1, {5880, 1560, 615, 255}, Face::Pad, "pause", Accent::Deck1, "Pause"},
    Entry{Item::Stop1, {6480, 1560, 495, 255}, Face::Pad, "stop", Accent::StopRed, "Stop and rewind"},
    Entry{Item::Volgend1, {7080, 1560, 255, 255}, Face::Pad, ">>", Accent::Deck1, "Forward 5 seconds"},
    Entry{Item::Cue0, {2655, 420, 570, 255}, Face::Switch, "CUE", Accent::Deck0, "Pre-listen to deck 1 on the headphones"},
    Entry{Item::Cue1, {7080, 420, 570, 255}, Face::Switch, "CUE", Accent::Deck1, "Pre-listen to deck 2 on the headphones"},
    Entry{Item::Vol0, {3600, 480, 240, 1095}, Face::Well, "", Accent::Deck0, "Volume of deck 1"},
    Entry{Item::Vol1, {4080, 480, 240, 1095}, Face::Well, "", Accent::Deck1, "Volume of deck 2"},
    Entry{Item::volMain, {3480, 1680, 960, 240}, Face::Well, "", Accent::Neutral, "Crossfader"},

    Entry{Item::lstnames, {360, 2085, 7290, 1425}, Face::Well, ""},
    Entry{Item::LoadToPlayer0, {1800, 3600, 855, 255}, Face::Pad, "LOAD TO 1", Accent::Deck0, "Load the selected song into deck 1"},
    Entry{Item::LoadToPlayer1, {5280, 3600, 855, 255}, Face::Pad, "LOAD TO 2", Accent::Deck1, "Load the selected song into deck 2"},
    Entry{Item::Search, {3480, 3720, 975, 375}, Face::Pad, "SEARCH", Accent::Neutral, "Search the song list"},
    Entry{Item::lblsearch, {0, 3945, 8055, 375}, Face::None, ""},

    Entry{Item::lblnrs, {3780, 4410, 3885, 255}, Face::None, ""},
    Entry{Item::Add, {3780, 4710, 1245, 255}, Face::Pad, "ADD", Accent::Neutral, "Add songs or playlists to this playlist"},
    Entry{Item::Remove, {5100, 4710, 1245, 255}, Face::Pad, "REMOVE", Accent::Neutral, "Remove the selected song from the playlist"},
    Entry{Item::Clear, {6420, 4710, 1245, 255}, Face::Pad, "CLEAR", Accent::Neutral, "Clears the current playlist."},
    Entry{Item::New, {3780, 5010, 915, 255}, Face::Pad, "NEW", Accent::Neutral, "Start a new playlist"},
    Entry{Item::Open, {4770, 5010, 915, 255}, Face::Pad, "OPEN", Accent::Neutral, "Open a playlist"},
    Entry{Item::Save, {5760, 5010, 915, 255}, Face::Pad, "SAVE", Accent::Neutral, "Save this playlist"},
    Entry{Item::edit, {6750, 5010, 915, 255}, Face::Pad, "EDIT", Accent::Neutral, "Edit this playlist"},

    Entry{Item::chbgoon, {240, 4440, 3255, 255}, Face::None, ""},
    Entry{Item::chbrandom, {240, 4800, 3255, 255}, Face::None, ""},

    Entry{Item::WorkArea, {8010, 0, 2460, 5955}, Face::None, ""},
    Entry{Item::lblWerkgebied, {8520, 120, 1215, 255}, Face::None, ""},
    Entry{Item::lstFiles, {8280, 2280, 1935, 2205}, Face::None, ""},
    Entry{Item::MP0, {8400, 840, 735, 495}, Face::None, ""},
    Entry{Item::MP1, {9360, 840, 735, 495}, Face::None, ""},
    Entry{Item::lblSound, {3600, 5640, 4275, 255}, Face::None, ""},
};
// clang-format on

// What the window puts at a place that is not a button.
enum class Kind { Label, ClickLabel, CaptionViewport, PositionBar, Fader, List, CheckBox, MediaPlayer };

// The typeface of an element's words, all at the skin's text size: the window's own (plain or bold), the
// title's, the song list's; None keeps the widget's own.
enum class Font { None, Ui, UiBold, Caption, List };

// A style sheet, for what a palette cannot dress: the song list (which then has no frame) and the check
// boxes.
enum class Sheet { None, SongList, CheckBox };

// How the window makes and dresses an element that is not a button. An ink is the colour of the element's
// words, a surface what it fills its place with (a fader's back colour).
struct Look {
    Item item;
    Kind kind;
    std::string_view name = {}; // the object name, for the few elements found by name
    std::string_view text = {}; // the words it opens with
    Font font = Font::None;
    std::optional<platform::OleColor> ink = {};
    Qt::Alignment align = {}; // of a label's words; none keeps the label's own
    int indent = 0;           // twips before a label's words
    std::optional<platform::OleColor> surface = {};
    Sheet sheet = Sheet::None;
};

// The grey the deck captions and the faders stand on, as the song list and the check boxes do.
inline constexpr platform::OleColor kControlGrey = platform::rgb(64, 64, 64);

// Every element that is not a button, in the order the window makes them: later ones lie over earlier ones
// and follow them in the keyboard's round. The footer comes first, under everything; the buttons come after
// all.
// clang-format off
inline constexpr std::array kLooks = {
    Look{.item = Item::lblSound, .kind = Kind::ClickLabel, .name = "lblSound", .font = Font::UiBold,
         .ink = platform::rgb(255, 176, 32), .align = Qt::AlignLeft | Qt::AlignVCenter},
    Look{.item = Item::lblsearch, .kind = Kind::ClickLabel, .name = "lblsearch", .font = Font::List,
         .ink = platform::rgb(0, 255, 0), .align = Qt::AlignLeft | Qt::AlignTop, .indent = 360},
    Look{.item = Item::lblCaption, .kind = Kind::ClickLabel, .name = "lblCaption", .font = Font::Caption,
         .ink = platform::rgb(255, 48, 48)},
    Look{.item = Item::lblRec, .kind = Kind::Label, .name = "lblRec", .font = Font::UiBold,
         .ink = platform::rgb(255, 77, 77), .align = Qt::AlignLeft | Qt::AlignVCenter},

    Look{.item = Item::SongInfo0, .kind = Kind::CaptionViewport, .name = "SongInfo", .surface = kControlGrey},
    Look{.item = Item::PB1_0, .kind = Kind::PositionBar},
    Look{.item = Item::Vol0, .kind = Kind::Fader, .surface = kControlGrey},
    Look{.item = Item::SongInfo1, .kind = Kind::CaptionViewport, .name = "SongInfo", .surface = kControlGrey},
    Look{.item = Item::PB1_1, .kind = Kind::PositionBar},
    Look{.item = Item::Vol1, .kind = Kind::Fader, .surface = kControlGrey},
    Look{.item = Item::volMain, .kind = Kind::Fader, .surface = kControlGrey},

    Look{.item = Item::lstnames, .kind = Kind::List, .name = "lstnames", .font = Font::List, .sheet = Sheet::SongList},
    Look{.item = Item::lblnrs, .kind = Kind::Label, .name = "lblnrs", .text = "Songs in list: 0", .font = Font::Ui,
         .ink = platform::rgb(200, 204, 210)},
    Look{.item = Item::chbgoon, .kind = Kind::CheckBox, .text = "Go on playing...", .font = Font::Ui, .sheet = Sheet::CheckBox},
    Look{.item = Item::chbrandom, .kind = Kind::CheckBox, .text = "Random playing", .font = Font::Ui, .sheet = Sheet::CheckBox},

    Look{.item = Item::lblWerkgebied, .kind = Kind::Label, .name = "lblWerkgebied", .text = "werkgebied",
         .font = Font::Ui, .ink = platform::rgb(220, 220, 220)},
    Look{.item = Item::lstFiles, .kind = Kind::List},
    Look{.item = Item::MP0, .kind = Kind::MediaPlayer},
    Look{.item = Item::MP1, .kind = Kind::MediaPlayer},
};
// clang-format on

constexpr const Entry& entry(Item item) {
    for (const Entry& e : kTable)
        if (e.item == item)
            return e;
    return kTable[0]; // unreachable: every item is listed once (checked below)
}

// Every item has one place, and every button tells what it does.
static_assert([] {
    for (int i = 0; i <= int(Item::lblSound); ++i) {
        int times = 0;
        for (const Entry& e : kTable)
            times += int(e.item) == i ? 1 : 0;
        if (times != 1)
            return false;
    }
    for (const Entry& e : kTable)
        if ((e.face == Face::Pad || e.face == Face::Glyph || e.face == Face::Switch) && !e.tip)
            return false;
    return true;
}());

// One element to a place: a look is given once, and never to a place the table gives a button.
static_assert([] {
    for (const Look& look : kLooks) {
        int times = 0;
        for (const Look& other : kLooks)
            times += other.item == look.item ? 1 : 0;
        const Face face = entry(look.item).face;
        if (times != 1 || face == Face::Pad || face == Face::Glyph || face == Face::Switch)
            return false;
    }
    return true;
}());

constexpr TwipsRect rect(Item item) {
    return entry(item).rect;
}

} // namespace mainlayout

} // namespace player
