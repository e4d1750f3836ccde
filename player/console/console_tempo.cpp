// The console's tempo: the decks' tempo faders, key lock, nudge and sync.
#include <algorithm>
#include <cmath>

#include "analysis/analysisservice.h"
#include "analysis/waveform.h"
#include "console.h"
#include "media/mediaplayer.h"

namespace player {

void Console::applyTempo(int index) {
    const Tempo& t = m_tempo[index];
    deck(index).setKeyLock(t.keyLock);
    deck(index).setTempo(t.ratio * (1.0 + kNudge * t.nudge));
    emit tempoChanged(index);
}

void Console::setTempoRange(int index, double range) {
    if (std::find(kTempoRanges.begin(), kTempoRanges.end(), range) == kTempoRanges.end())
        return;
    m_tempo[index].range = range;
    m_tempo[index].ratio = std::clamp(m_tempo[index].ratio, 1.0 - range, 1.0 + range);
    applyTempo(index);
}

void Console::setTempo(int index, double ratio) {
    if (!std::isfinite(ratio))
        return;
    const double range = m_tempo[index].range;
    m_tempo[index].ratio = std::clamp(ratio, 1.0 - range, 1.0 + range);
    applyTempo(index);
}

void Console::setKeyLock(int index, bool on) {
    m_tempo[index].keyLock = on;
    applyTempo(index);
}

void Console::nudge(int index, int direction) {
    m_tempo[index].nudge = std::clamp(direction, -1, 1);
    applyTempo(index);
}

bool Console::sync(int index) {
    const int other = 1 - index;
    const platform::analysis::SongFacts own = facts(index), theirs = facts(other);
    if (!own.beats || !theirs.beats)
        return false;
    // The other deck's fader, not its nudge: a nudge lets go, and a deck synced to it would be off again.
    const double target = temporules::playingBpm(theirs.beats->bpm, m_tempo[other].ratio);
    const auto fit = temporules::fitTempo(own.beats->bpm, target, m_tempo[index].range);
    if (!fit)
        return false;
    m_tempo[index].range = fit->range;
    m_tempo[index].ratio = fit->ratio;
    applyTempo(index);
    platform::media::MediaPlayer& mine = deck(index);
    const platform::media::MediaPlayer& theirDeck = deck(other);
    if (theirDeck.state() != platform::media::PlayState::Playing)
        return true; // no beat to meet: the tempo is all
    // This deck is met as if it played: started, it is heard as late as the other. Before its start too:
    // the moment heard may lie before the song's.
    const double latency = m_latency ? std::max(0.0, m_latency()) : 0.0;
    auto heard = [latency](const platform::media::MediaPlayer& p) {
        return p.position() - latency * p.tempo();
    };
    double shift =
        temporules::phaseShift(*own.beats, heard(mine), *theirs.beats, heard(theirDeck), fit->otherBeats);
    if (mine.position() + shift < 0)
        shift += own.beats->periodSeconds();
    if (shift != 0)
        mine.setPosition(mine.position() + shift);
    return true;
}

int Console::tapsShown(int index, double now) const {
    const Tempo& t = m_tempo[index];
    return t.tap.taps() > 0 && now - t.lastTap < temporules::kTapShownSeconds ? t.tap.taps() : 0;
}

bool Console::setUserTempo(int index, std::optional<double> bpm) {
    if (!m_analysis || m_songPath[index].isEmpty() || !bpm)
        return false;
    m_analysis->setUserTempo(m_songPath[index], bpm);
    return true;
}

bool Console::halveTempo(int index) {
    const auto beats = facts(index).beats;
    return beats && setUserTempo(index, platform::analysis::halvedTempo(beats->bpm));
}

bool Console::doubleTempo(int index) {
    const auto beats = facts(index).beats;
    return beats && setUserTempo(index, platform::analysis::doubledTempo(beats->bpm));
}

void Console::tapTempo(int index, double seconds) {
    Tempo& t = m_tempo[index];
    t.tap.tap(seconds);
    t.lastTap = seconds;
    // The taps are the deck's speed; the song's own tempo is that undone.
    if (const std::optional<double> bpm = t.tap.bpm())
        setUserTempo(index, std::round(*bpm / deck(index).tempo() * 10) / 10);
    emit tempoChanged(index);
}

platform::analysis::SongFacts Console::facts(int index) const {
    const auto& song = m_song[index];
    return song && song->complete() ? song->facts() : platform::analysis::SongFacts{};
}

void Console::setAnalysis(platform::analysis::AnalysisService* service) {
    if (m_analysis)
        disconnect(m_analysis, nullptr, this, nullptr);
    m_analysis = service;
    // A song's facts came in or changed (a tempo tapped): its decks' readings with them.
    if (service)
        connect(service, &platform::analysis::AnalysisService::finished, this, [this](const QString& path) {
            for (int d = 0; d < kDecks; ++d)
                if (m_songPath[d] == path)
                    emit tempoChanged(d);
        });
    for (int d = 0; d < kDecks; ++d) {
        m_songPath[d].clear();
        m_song[d].reset();
        followSong(d);
    }
}

void Console::followSong(int index) {
    const platform::media::MediaPlayer& player = deck(index);
    const QString path = m_analysis && player.hasMedia() ? player.fileName() : QString();
    if (path == m_songPath[index])
        return;
    m_songPath[index] = path;
    m_tempo[index].tap.reset();
    // Held here, the analysis goes on while no view shows the song; let go, it is given up.
    m_song[index] = path.isEmpty() ? nullptr : m_analysis->waveform(path);
}

} // namespace player
