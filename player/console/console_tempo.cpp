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
    (void)index;
    return false; // the beat grid reaches the console with the tempo's analysis
}

platform::analysis::SongFacts Console::facts(int index) const {
    const auto& song = m_song[index];
    return song && song->complete() ? song->facts() : platform::analysis::SongFacts{};
}

void Console::setAnalysis(platform::analysis::AnalysisService* service) {
    m_analysis = service;
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
    // Held here, the analysis goes on while no view shows the song; let go, it is given up.
    m_song[index] = path.isEmpty() ? nullptr : m_analysis->waveform(path);
}

} // namespace player
