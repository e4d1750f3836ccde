// The console's auto-mix over both decks: the hand-over from the deck that ends to the other one, with the
// crossfader carried across, and the songs' levelling. The rules are automix.*; this drives the decks.
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "console.h"
#include "media/mediaplayer.h"

namespace player {

namespace {
using platform::media::PlayState;
// Fine enough that a fader step or a fade's start is never more than a display frame late.
constexpr int kAutoMixTickMs = 20;
bool busy(PlayState s) {
    return s == PlayState::Playing || s == PlayState::Paused;
}
} // namespace

void Console::setAutoMix(const automix::Settings& settings) {
    m_autoMixSettings = automix::held(settings);
    if (m_autoMixSettings.transition == automix::Transition::Cut && m_run.from >= 0)
        m_run = {};
    updateAutoMixTimer();
    for (int d = 0; d < kDecks; ++d)
        updateLevel(d);
    emit autoMixChanged();
}

void Console::updateAutoMixTimer() {
    const bool on = m_autoMixSettings.levelSongs ||
                    (m_goOn && m_autoMixSettings.transition == automix::Transition::Crossfade);
    if (!m_autoMixTimer) {
        if (!on)
            return;
        m_autoMixTimer = new QTimer(this);
        m_autoMixTimer->setInterval(kAutoMixTickMs);
        connect(m_autoMixTimer, &QTimer::timeout, this, &Console::autoMixTick);
    }
    if (on)
        m_autoMixTimer->start();
    else
        m_autoMixTimer->stop();
}

// A stop, pause or load on either deck of a hand-over ends it where it is: the decks and the fader stay as
// the user's command left them, and the next tick arms afresh from what then plays.
void Console::cancelHandOver(int index) {
    if (m_run.from == index || m_run.from == 1 - index)
        m_run = {};
    if (m_glide.deck == index)
        m_glide = {};
}

// A deck the hand-over stopped, or is fading out, ends by the auto-mix's hand: its end is not a Cut.
bool Console::autoMixOwnsEnd(int index) const {
    if (m_autoMixSettings.transition != automix::Transition::Crossfade)
        return false;
    return m_spent[index] || (m_run.from == index && m_run.started);
}

// The fader shows where the fade is; the decks hear the equal-power curve in either fader mode (the
// level law as written is linear and would dip 3 dB in the middle). A DJ mixer's channel faders still count.
void Console::moveFaderForHandOver(int value, int incoming) {
    (void)incoming;
    m_autoMixMoving = true;
    setCrossfader(value);
    m_autoMixMoving = false;
    const auto [g0, g1] = mixrules::crossfadeGains(m_crossfader, mixrules::CrossfadeCurve::EqualPower);
    const double gains[kDecks] = {g0, g1};
    for (int d = 0; d < kDecks; ++d) {
        const double channel =
            m_faders == mixrules::Faders::DjMixer ? mixrules::channelGain(deckVolume(d)) : 1.0;
        deck(d).setLevel(mixrules::levelForGain(gains[d] * channel));
    }
}

// The next song by the list's rule into deck `index`, cued and not playing; files that cannot be opened are
// passed over, at most once around the list.
bool Console::loadForHandOver(int index) {
    if (!openNextEntry(index))
        return false;
    setCaption(index, QStringLiteral("Now Loaded: ") + m_deck[index].name +
                          QStringLiteral(" press play to start the song"));
    emit deckLoaded(index);
    return true;
}

void Console::finishHandOver() {
    const int out = m_run.from, in = 1 - out;
    deck(out).setPosition(0);
    deck(out).stop();
    m_spent[out] = true;
    if (m_deck[out].loaded)
        setCaption(out, QStringLiteral("Now Loaded: ") + m_deck[out].name +
                            QStringLiteral(" press play to start the song"));
    if (!m_run.letGo)
        moveFaderForHandOver(in == 0 ? kCrossfaderMin : kCrossfaderMax, in);
    if (m_run.synced)
        m_glide = {in, tempo(in), deck(in).position()};
    m_run = {};
}

void Console::autoMixTick() {
    for (int d = 0; d < kDecks; ++d)
        updateLevel(d);
    if (m_glide.deck >= 0) {
        const int g = m_glide.deck;
        if (deck(g).state() != PlayState::Playing) {
            m_glide = {};
        } else {
            const double t = automix::tempoGlide(m_glide.from, deck(g).position() - m_glide.since);
            setTempo(g, t);
            if (t == 1.0)
                m_glide = {};
        }
    }
    if (!m_goOn || m_autoMixSettings.transition != automix::Transition::Crossfade) {
        m_run = {};
        return;
    }
    if (m_run.from < 0) {
        for (int d = 0; d < kDecks; ++d)
            if (deck(d).state() == PlayState::Playing && !busy(deck(1 - d).state())) {
                m_run = {};
                m_run.from = d;
                break;
            }
        if (m_run.from < 0)
            return;
    }
    const int out = m_run.from, in = 1 - out;
    const PlayState outState = deck(out).state();
    if (m_run.started) {
        // The outgoing song may reach its own end before a tick sees its fade's end.
        if (outState == PlayState::Stopped || deck(out).position() >= m_run.plan.fadeEnd)
            finishHandOver();
        else if (outState != PlayState::Playing)
            m_run = {};
        else if (!m_run.letGo)
            moveFaderForHandOver(automix::faderAt(m_run.plan, deck(out).position(), m_run.faderFrom, in), in);
        return;
    }
    if (outState != PlayState::Playing || busy(deck(in).state())) {
        m_run = {}; // the other deck was taken: this song's end is a Cut
        return;
    }
    if (m_run.cut)
        return;
    const double t = deck(out).position();
    const bool userSong = m_deck[in].loaded && !m_spent[in];
    const automix::Plan p =
        automix::plan(deck(out).length(), facts(out), m_run.loaded || userSong ? deck(in).length() : 0,
                      m_run.loaded || userSong ? facts(in) : platform::analysis::SongFacts{},
                      m_autoMixSettings.fadeSeconds);
    if (!m_run.loaded && t >= p.loadAt) {
        // A song the user put in the other deck and did not start is the one they chose to come next.
        m_run.loaded = userSong || loadForHandOver(in);
        m_run.cut = !m_run.loaded;
        if (m_run.loaded)
            deck(in).setPosition(p.incomingFrom);
        return;
    }
    // The timer's steps would start the next song up to a tick late: the last stretch is timed to the
    // millisecond.
    if (m_run.loaded && t < p.fadeStart && m_autoMixTimer && m_autoMixTimer->isActive()) {
        const double wait = 1000 * (p.fadeStart - t) / std::max(0.25, deck(out).tempo());
        if (wait < kAutoMixTickMs)
            QTimer::singleShot(int(std::ceil(wait)), Qt::PreciseTimer, this, &Console::autoMixTick);
        return;
    }
    if (m_run.loaded && t >= p.fadeStart) {
        m_run.plan = p;
        deck(in).setPosition(p.incomingFrom);
        if (automix::beatMatch(facts(out), tempo(out), facts(in), tempoRange(in)))
            m_run.synced = sync(in);
        m_run.faderFrom = m_crossfader;
        deck(in).play();
        setCaption(in, QStringLiteral("Now Playing: ") + m_deck[in].name);
        m_run.started = true;
        moveFaderForHandOver(automix::faderAt(p, t, m_run.faderFrom, in), in);
    }
}

// Levelling follows the deck's song: measured loudness once the analysis has it, its ReplayGain tags until
// then (read once per song), nothing when neither says how loud it is.
void Console::updateLevel(int index) {
    std::optional<double> db;
    if (m_autoMixSettings.levelSongs && m_deck[index].loaded) {
        const QString path = deck(index).fileName();
        if (path != m_levelPath[index]) {
            m_levelPath[index] = path;
            m_replayGain[index] = readReplayGain(path);
        }
        db = automix::levelGainDb(facts(index), m_replayGain[index], m_autoMixSettings.targetLufs);
        if (db)
            db = std::round(*db * 10) / 10;
    }
    if (db == m_levelDb[index])
        return;
    m_levelDb[index] = db;
    applyKnobs(index);
    emit levelGainChanged(index);
}

} // namespace player
