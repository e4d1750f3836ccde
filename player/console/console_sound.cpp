// The console's knobs and the fader modes: what a DJ mixer's channel strip does, handed to the decks' engine.
#include <algorithm>
#include <cmath>

#include "console.h"
#include "media/dsp/deckshape.h"
#include "media/mediaplayer.h"

namespace player {

namespace {
// Knobs move in steps a key or a mouse gives; a thousandth keeps sums of steps on their marks (0 is 0).
double onMark(double knob) {
    return std::isfinite(knob) ? std::round(std::clamp(knob, -1.0, 1.0) * 1000.0) / 1000.0 : 0.0;
}
} // namespace

void Console::applyKnobs(int index) {
    using platform::media::dsp::ThreeBandEq;
    const Knobs& k = m_knobs[index];
    platform::media::dsp::DeckShape& shape = deck(index).shape();
    // The song's levelling rides on the user's trim, so the trim still means what its knob shows.
    const double level = m_levelDb[index] ? std::pow(10.0, *m_levelDb[index] / 20.0) : 1.0;
    shape.setGain(float(mixrules::trimGain(k.gainDb) * level));
    for (int b = 0; b < kBands; ++b) {
        shape.setBand(ThreeBandEq::Band(b), float(mixrules::bandGain(k.band[b])));
        shape.setKill(ThreeBandEq::Band(b), k.kill[b]);
    }
    shape.setFilter(float(k.filter));
    emit deckSoundChanged(index);
}

void Console::setGain(int index, double db) {
    m_knobs[index].gainDb =
        std::isfinite(db) ? std::round(std::clamp(db, mixrules::kTrimMinDb, mixrules::kTrimMaxDb) * 10) / 10
                          : 0;
    applyKnobs(index);
}

void Console::setBand(int index, Band band, double knob) {
    m_knobs[index].band[int(band)] = onMark(knob);
    applyKnobs(index);
}

void Console::setKill(int index, Band band, bool on) {
    m_knobs[index].kill[int(band)] = on;
    applyKnobs(index);
}

void Console::setFilter(int index, double knob) {
    m_knobs[index].filter = onMark(knob);
    applyKnobs(index);
}

void Console::resetDeck(int index) {
    m_knobs[index] = Knobs{};
    applyKnobs(index);
}

void Console::setFaders(mixrules::Faders faders, mixrules::CrossfadeCurve curve) {
    m_faders = faders;
    m_curve = curve;
    if (faders == mixrules::Faders::DjMixer)
        applyFaders();
}

// Each deck hears its channel fader times its side of the crossfader: what the three sliders show.
void Console::applyFaders() {
    const auto [x0, x1] = mixrules::crossfadeGains(m_crossfader, m_curve);
    const double xfade[kDecks] = {x0, x1};
    for (int d = 0; d < kDecks; ++d)
        deck(d).setLevel(mixrules::levelForGain(mixrules::channelGain(deckVolume(d)) * xfade[d]));
}

} // namespace player
