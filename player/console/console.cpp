#include "console.h"

#include <algorithm>
#include <cmath>

#include "core/random.h"
#include "deckrules.h"
#include "media/mediaplayer.h"
#include "missingfiles.h"
#include "songintake.h"
#include "songlistcommands.h"
#include "ui/prompts.h"

namespace player {

namespace {

const QString kTitle = QStringLiteral("Deckmora");
const QString kNoSong = QStringLiteral("No song loaded");

QString loadedCaption(const QString& name) {
    return QStringLiteral("Now Loaded: ") + name + QStringLiteral(" press play to start the song");
}
QString playingCaption(const QString& name) {
    return QStringLiteral("Now Playing: ") + name;
}
QString pausedCaption(const QString& name) {
    return QStringLiteral("Now Paused: ") + name + QStringLiteral(" press play to start the song");
}

void debugBox(const QString& text) {
    platform::prompts().message(text, platform::Buttons::Ok, platform::Icon::None, kTitle);
}

} // namespace

// Deck 1 starts at its fader's silent end, so a new mix begins with deck 0 alone.
Console::Console(std::array<platform::media::MediaPlayer*, kDecks> decks, SongList list,
                 MissingFiles* missing, QObject* parent)
    : QObject(parent), m_players(decks), m_list(list),
      m_missing(missing), m_level{kDeckLevelMax, kDeckLevelMin} {
    for (Deck& d : m_deck)
        d.caption = kNoSong;
    m_intake = new SongIntake(m_list.names(), m_list.files(), this);
    m_intake->setHold([this] { return listHeldForIntake(); });
    connect(m_intake, &SongIntake::busyChanged, this,
            [this](bool busy) { holdList(ListHolder::Intake, busy); });
}

void Console::setCaption(int index, const QString& text) {
    m_deck[index].caption = text;
    emit captionChanged(index, text);
}

// A deck that failed to open is not claimed as loaded: it is left without a song, as the engine leaves it.
void Console::forget(int index) {
    m_deck[index].loaded = false;
    m_deck[index].name.clear();
    setCaption(index, kNoSong);
}

// A song that cannot be opened never replaces the one in the deck: a slip of the hand in the middle of a set
// leaves the music playing, and the user is told once.
bool Console::loadSong(int index, const QString& name, const QString& path, int row) {
    platform::media::MediaPlayer& mp = deck(index);
    cancelHandOver(index);
    if (const platform::media::MediaError err = mp.openOrKeep(path)) {
        if (row >= 0 && m_missing)
            m_missing->recheck(row);
        platform::notice(QStringLiteral("The song \"%1\" cannot be loaded:\r\n%2").arg(path, err.message),
                         kTitle);
        followSong(index);
        emit deckLoaded(index);
        return false;
    }
    m_deck[index].loaded = true;
    m_deck[index].name = name;
    m_spent[index] = false;
    setCaption(index, loadedCaption(name));
    mp.stop();
    if (debugWord()) {
        debugBox(path);
        debugBox(mp.fileName());
    }
    followSong(index);
    emit deckLoaded(index);
    return true;
}

bool Console::loadSelected(int index) {
    const std::optional<SongList::Entry> song = m_list.selectedSong();
    return song && loadSong(index, song->name, song->path, song->index);
}

// Each step goes on when the engine refuses the one before it (a deck without a song); the caption names the
// song the deck holds, not whatever the list shows selected now.
void Console::play(int index) {
    m_spent[index] = false; // played again by hand, its end is the user's again
    deck(index).play();
    if (debugWord())
        debugBox(deck(index).fileName());
    if (m_deck[index].loaded)
        setCaption(index, playingCaption(m_deck[index].name));
}

void Console::pause(int index) {
    cancelHandOver(index);
    deck(index).pause();
    if (m_deck[index].loaded)
        setCaption(index, pausedCaption(m_deck[index].name));
}

void Console::stop(int index) {
    cancelHandOver(index);
    deck(index).setPosition(0);
    deck(index).stop();
    if (m_deck[index].loaded)
        setCaption(index, loadedCaption(m_deck[index].name));
}

void Console::skip(int index, double seconds) {
    deck(index).setPosition(deck(index).position() + seconds);
}

void Console::seek(int index, double seconds) {
    if (deck(index).hasMedia())
        deck(index).setPosition(seconds);
}

void Console::setCue(int index, bool on) {
    deck(index).setCue(on);
}

bool Console::cue(int index) const {
    return deck(index).cue();
}

void Console::applyLevels(int index) {
    const deckrules::DeckLevels levels = deckrules::deckVolumeLevels(m_level[index]);
    deck(index).setLevel(levels.first);
    if (levels.second)
        deck(index).setLevel(*levels.second);
}

// The deck and the crossfader write the same level: whichever moved last is heard.
void Console::setDeckLevel(int index, int level) {
    const int clamped = std::clamp(level, kDeckLevelMin, kDeckLevelMax);
    const bool moved = clamped != m_level[index];
    m_level[index] = clamped;
    if (m_faders == mixrules::Faders::DjMixer)
        applyFaders();
    else
        applyLevels(index);
    if (moved)
        emit deckLevelChanged(index, clamped);
}

double Console::deckVolume(int index) const {
    return double(m_level[index] - kDeckLevelMin) / double(kDeckLevelMax - kDeckLevelMin);
}

void Console::setDeckVolume(int index, double travel) {
    const double share = std::clamp(travel, 0.0, 1.0);
    setDeckLevel(index,
                 kDeckLevelMin + static_cast<int>(std::lround(share * (kDeckLevelMax - kDeckLevelMin))));
}

void Console::setCrossfader(int value) {
    const int clamped = std::clamp(value, kCrossfaderMin, kCrossfaderMax);
    const bool moved = clamped != m_crossfader;
    if (!m_autoMixMoving)
        m_run.letGo = m_run.letGo || m_run.started;
    m_crossfader = clamped;
    if (m_faders == mixrules::Faders::DjMixer) {
        applyFaders();
    } else {
        const auto [level0, level1] = deckrules::crossfadeLevels(clamped);
        deck(0).setLevel(level0);
        deck(1).setLevel(level1);
    }
    if (moved)
        emit crossfaderChanged(clamped);
}

void Console::setGoOnPlaying(bool on) {
    if (on == m_goOn)
        return;
    m_goOn = on;
    if (!on)
        m_random = false;
    updateAutoMixTimer();
    emit autoMixChanged();
}

void Console::setRandomPlaying(bool on) {
    if (on == m_random)
        return;
    m_random = on;
    if (on)
        m_goOn = true;
    updateAutoMixTimer();
    emit autoMixChanged();
}

void Console::songEnded(int index) {
    if (m_goOn && !autoMixOwnsEnd(index))
        goOn(index);
}

void Console::goOn(int index) {
    if (!openNextEntry(index))
        return;
    deck(index).play();
    setCaption(index, playingCaption(m_deck[index].name));
}

bool Console::openNextEntry(int index) {
    const int count = m_list.count();
    const bool random = m_random;
    auto draw = [] { return platform::rnd().next(); };
    std::optional<int> n =
        random ? deckrules::nextRandom(count, draw) : deckrules::nextInOrder(count, m_list.selectedIndex());
    for (int attempt = 0; n && attempt < count; ++attempt) {
        m_list.select(*n);
        if (!deck(index).open(m_list.path(*n))) {
            m_deck[index].loaded = true;
            m_deck[index].name = m_list.name(*n);
            m_spent[index] = false;
            followSong(index);
            return true;
        }
        if (m_missing)
            m_missing->recheck(*n);
        forget(index);
        followSong(index);
        n = random ? deckrules::nextRandom(count, draw) : deckrules::nextInOrder(count, *n);
    }
    return false;
}

void Console::holdList(ListHolder holder, bool held) {
    if (held)
        m_listHolders |= int(holder);
    else
        m_listHolders &= ~int(holder);
    emit listHoldChanged();
}

void Console::clearList() {
    if (listCommandsEnabled())
        m_list.clear();
}

void Console::newPlaylist() {
    if (listCommandsEnabled())
        songlistcommands::newPlaylist(m_list);
}

void Console::openPlaylist() {
    if (listCommandsEnabled())
        songlistcommands::openPlaylist(m_list, true);
}

void Console::addPlaylist() {
    if (listCommandsEnabled())
        songlistcommands::openPlaylist(m_list, false);
}

void Console::savePlaylist() {
    if (listCommandsEnabled())
        songlistcommands::savePlaylist(m_list);
}

void Console::addFile() {
    if (listCommandsEnabled())
        songlistcommands::addFile(m_list);
}

void Console::removeFromList() {
    if (listCommandsEnabled())
        songlistcommands::removeFromList(m_list);
}

void Console::removeFromComputer() {
    if (listCommandsEnabled())
        songlistcommands::removeFromComputer(m_list);
}

void Console::removeFromPc() {
    if (listCommandsEnabled())
        songlistcommands::removeFromPc(m_list);
}

void Console::removeMissing() {
    if (m_missing)
        songlistcommands::removeMissing(m_list, *m_missing);
}

std::optional<int> Console::moveSelection(int delta) {
    const int count = m_list.count();
    if (count == 0)
        return std::nullopt;
    const int from = m_list.selectedIndex();
    const int to = std::clamp(from < 0 && delta > 0 ? 0 : from + delta, 0, count - 1);
    m_list.select(to);
    return to;
}

} // namespace player
