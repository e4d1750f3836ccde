#include "media/deck.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <soxr.h>

namespace platform::media {

namespace {
constexpr int kReadFrames = 1024; // song frames per decoder read
constexpr double kRampSeconds = 0.005;
constexpr int kStretchFrames = 1024; // frames the tempo stage renders at a time
// What a pass that plays the old place out keeps of it for the next: a period of the largest a device asks
// for.
constexpr int kOldPlaceFrames = 4096;
} // namespace

Deck::Deck(int outputRate, bool threaded, int periodFrames)
    : m_outputRate(outputRate), m_threaded(threaded),
      m_rampFrames(std::max(1, int(std::lround(outputRate * kRampSeconds)))),
      m_shape(outputRate, m_rampFrames), m_cueLevel(m_rampFrames, 0.0f),
      m_poll(std::max<int64_t>(1000, int64_t(periodFrames) * 1000000 / std::max(1, outputRate))) {
    m_in.resize(2 * kReadFrames);
    m_stage = std::make_unique<dsp::TempoStage>(outputRate);
    m_stretched.resize(2 * size_t(kStretchFrames));
    m_oldPlace.resize(2 * size_t(kOldPlaceFrames));
    if (m_threaded)
        m_worker = std::thread([this] { workerLoop(); });
}

Deck::~Deck() {
    if (m_worker.joinable()) {
        {
            std::lock_guard lk(m_wakeMutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_worker.join();
    }
    if (m_src)
        soxr_delete(m_src);
}

void Deck::setState(DeckState s) {
    uint32_t w = m_state.load(std::memory_order_relaxed);
    while (!m_state.compare_exchange_weak(w, (w & ~kStateMask) | uint32_t(s), std::memory_order_acq_rel))
        ;
}

bool Deck::changeState(DeckState from, DeckState to, bool countEnd) {
    uint32_t w = m_state.load(std::memory_order_acquire);
    while (stateOf(w) == from) {
        const uint32_t ends = endsOf(w) + (countEnd ? 1 : 0);
        if (m_state.compare_exchange_weak(w, (ends << kEndsShift) | uint32_t(to), std::memory_order_acq_rel))
            return true;
    }
    return false;
}

void Deck::load(std::unique_ptr<Decoder> decoder) {
    assertNotAudioThread();
    std::unique_ptr<Decoder> old;
    {
        std::lock_guard lk(m_mutex);
        // Halt first, so that the mixing side counts no end of the song that is going away.
        setState(DeckState::Stopped);
        old = std::move(m_decoder);
        m_decoder = std::move(decoder);
        if (m_scan)
            m_scanner.cancel();
        m_scan.reset();
        if (m_src) {
            soxr_delete(m_src);
            m_src = nullptr;
        }
        if (m_decoder) {
            m_songRate = m_decoder->rate();
            m_songChannels = m_decoder->channels();
            m_raw.assign(size_t(kReadFrames) * size_t(m_songChannels), 0.0f);
            if (auto scanner = m_decoder->takeScanner()) {
                if (!m_threaded) {
                    const std::atomic<bool> never{false};
                    m_decoder->applyScan(scanner(never));
                } else {
                    // The job owns everything the scan touches: the song may be replaced before it ends.
                    m_scan = m_scanner.start(std::move(scanner));
                }
            }
            if (m_songRate != m_outputRate) {
                // libsoxr's high quality is better than libsamplerate's fastest sinc at every frequency and
                // takes a fifth of its time (bench/media/resamplebench.cpp). One thread: the worker is one.
                const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
                const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
                const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
                soxr_error_t err = nullptr;
                m_src = soxr_create(m_songRate, m_outputRate, 2, &err, &io, &quality, &runtime);
                if (err)
                    m_src = nullptr;
            }
            m_length.store(double(m_decoder->length()) / m_songRate, std::memory_order_release);
        } else {
            m_songRate = m_outputRate;
            m_songChannels = 2;
            m_length.store(0, std::memory_order_release);
        }
        m_atEnd.store(false, std::memory_order_release);
        resetProducer(0);
        if (!m_decoder)
            setState(DeckState::NoMedia);
    }
    wake();
}

void Deck::wake() {
    assertNotAudioThread();
    if (m_threaded) {
        {
            std::lock_guard lk(m_wakeMutex);
            m_wakePending = true;
        }
        m_wake.notify_one();
    }
    if (m_wakeHook)
        m_wakeHook(m_wakeContext);
}

void Deck::resetProducer(int64_t frame) {
    m_producerGen = m_gen.load(std::memory_order_relaxed) + 1;
    // Whatever is in the ring now belongs to an earlier gen: the worker polls until the mixing side drops it.
    m_staleUpTo = m_ring.written();
    m_seekFrame = frame;
    m_seekStart = m_songRate > 0 ? double(frame) / m_songRate : 0.0;
    m_seekTarget.store(m_seekStart, std::memory_order_relaxed);
    m_gen.store(m_producerGen, std::memory_order_release);
    m_produced = 0;
    m_decoded = 0;
    m_inPos = m_inFrames = 0;
    m_decoderEnded = false;
    m_producerEnded = !m_decoder;
    if (m_decoder && !m_decoder->seek(frame))
        m_decoderEnded = true;
    if (m_src)
        soxr_clear(m_src);
}

void Deck::play() {
    assertNotAudioThread();
    if (state() == DeckState::NoMedia)
        return;
    // A song that played to its end starts again from its beginning.
    if (m_atEnd.load(std::memory_order_acquire))
        seek(0);
    if (state() != DeckState::Playing)
        m_startSilent.store(true, std::memory_order_release);
    setState(DeckState::Playing);
    // The worker rests while its deck is silent; from now on it keeps the ring topped up.
    wake();
}

void Deck::pause() {
    changeState(DeckState::Playing, DeckState::Paused);
}

void Deck::stop() {
    if (state() == DeckState::NoMedia)
        return;
    setState(DeckState::Stopped);
    seek(0);
}

void Deck::seek(double seconds) {
    assertNotAudioThread();
    {
        std::lock_guard lk(m_mutex);
        if (!m_decoder)
            return;
        const double length = m_length.load(std::memory_order_acquire);
        if (!(seconds > 0))
            seconds = 0;
        if (seconds > length)
            seconds = length;
        m_atEnd.store(false, std::memory_order_release);
        resetProducer(std::llround(seconds * m_songRate));
    }
    wake();
}

double Deck::position() const {
    // Until the mixing side has taken a frame of the latest load or seek, the position is where that one
    // went.
    const uint64_t gen = m_gen.load(std::memory_order_acquire);
    if (m_positionGen.load(std::memory_order_acquire) != gen)
        return m_seekTarget.load(std::memory_order_relaxed);
    return m_position.load(std::memory_order_relaxed);
}

void Deck::setOwner(QObject* owner, void (*deliver)(QObject*)) {
    std::lock_guard lk(m_ownerMutex);
    m_owner = owner;
    m_deliver = deliver;
    m_endsPosted = endsSeen();
}

void Deck::postEnds() {
    assertNotAudioThread();
    const uint32_t ends = endsSeen();
    std::lock_guard lk(m_ownerMutex);
    if (ends == m_endsPosted || !m_owner || !m_deliver)
        return;
    m_endsPosted = ends;
    QObject* owner = m_owner;
    auto deliver = m_deliver;
    // Queued with the owner as context: dropped by Qt if the owner is gone before it runs.
    QMetaObject::invokeMethod(
        owner, [owner, deliver] { deliver(owner); }, Qt::QueuedConnection);
}

bool Deck::fill(bool* blocked) {
    assertNotAudioThread();
    std::lock_guard lk(m_mutex);
    if (m_scan && m_scan->done.load(std::memory_order_acquire)) {
        if (m_decoder) {
            m_decoder->applyScan(m_scan->result);
            if (!m_producerEnded)
                m_length.store(double(m_decoder->length()) / m_songRate, std::memory_order_release);
        }
        m_scan.reset();
    }
    while (!m_producerEnded) {
        Chunk* c = m_ring.writable();
        if (!c)
            break;
        produce(*c);
        m_ring.commit();
    }
    const bool stale = m_ring.holdsBefore(m_staleUpTo);
    if (blocked)
        *blocked = stale && !m_producerEnded;
    return m_scan != nullptr || stale;
}

int Deck::readStereo(float* out, int frames) {
    frames = std::min(frames, kReadFrames);
    if (m_songChannels == 2) {
        const int n = m_decoder->read(out, frames);
        m_decoded += n;
        return n;
    }
    const int n = m_decoder->read(m_raw.data(), frames);
    const float* in = m_raw.data();
    if (m_songChannels == 1) {
        for (int i = 0; i < n; ++i)
            out[2 * i] = out[2 * i + 1] = in[i];
    } else {
        // Beyond stereo, the front pair carries the song.
        for (int i = 0; i < n; ++i) {
            out[2 * i] = in[i * m_songChannels];
            out[2 * i + 1] = in[i * m_songChannels + 1];
        }
    }
    m_decoded += n;
    return n;
}

int Deck::produce(Chunk& c) {
    c.gen = m_producerGen;
    c.seekStart = m_seekStart;
    c.offset = m_produced;
    c.end = false;
    c.frames = 0;
    bool drained = false;
    if (!m_src) {
        while (c.frames < kChunkFrames && !m_decoderEnded) {
            const int n = readStereo(c.samples + 2 * c.frames, kChunkFrames - c.frames);
            if (n == 0)
                m_decoderEnded = true;
            c.frames += n;
        }
        drained = m_decoderEnded;
    } else {
        while (c.frames < kChunkFrames) {
            if (m_inPos == m_inFrames && !m_decoderEnded) {
                m_inPos = 0;
                m_inFrames = size_t(readStereo(m_in.data(), kReadFrames));
                if (m_inFrames == 0)
                    m_decoderEnded = true;
            }
            float* out = c.samples + 2 * c.frames;
            const size_t room = size_t(kChunkFrames - c.frames);
            size_t used = 0, made = 0;
            // With the song's frames all given, no input tells the converter to hand out what its filter
            // holds.
            const soxr_error_t err = m_inPos < m_inFrames
                                         ? soxr_process(m_src, m_in.data() + 2 * m_inPos,
                                                        m_inFrames - m_inPos, &used, out, room, &made)
                                         : soxr_process(m_src, nullptr, 0, nullptr, out, room, &made);
            if (err) {
                drained = true;
                break;
            }
            m_inPos += used;
            c.frames += int(made);
            if (m_decoderEnded && m_inPos == m_inFrames && made == 0) {
                drained = true;
                break;
            }
        }
    }
    m_produced += c.frames;
    if (drained) {
        c.end = true;
        m_producerEnded = true;
        // The decoder has seen the real end: what a header or an estimate claimed gives way to it.
        m_length.store(double(m_seekFrame + m_decoded) / m_songRate, std::memory_order_release);
    }
    return c.frames;
}

void Deck::dropStale() {
    const uint64_t gen = m_gen.load(std::memory_order_acquire);
    while (Chunk* c = m_ring.readable()) {
        if (c->gen == gen)
            break;
        m_ring.pop();
        m_chunkPos = 0;
    }
}

bool Deck::ready(int frames) {
    if (state() != DeckState::Playing)
        return true;
    // A faster deck reads further, and a stretcher reads ahead of what it plays.
    const double tempo = m_tempo.load(std::memory_order_relaxed);
    if (tempo != 1.0 || m_keyLock.load(std::memory_order_relaxed))
        frames = std::min(int(frames * std::max(1.0, tempo)) +
                              (m_keyLock.load(std::memory_order_relaxed) ? 4096 : 512),
                          (kRingChunks - 2) * kChunkFrames);
    const uint64_t gen = m_gen.load(std::memory_order_acquire);
    int have = -m_chunkPos;
    for (uint32_t i = 0;; ++i) {
        const Chunk* c = m_ring.peek(i);
        if (!c)
            return false;
        if (c->gen != gen)
            continue;
        have += c->frames;
        if (c->end || have >= frames)
            return true;
    }
}

bool Deck::holdsCurrent(uint64_t gen) {
    for (uint32_t i = 0;; ++i) {
        const Chunk* c = m_ring.peek(i);
        if (!c)
            return false;
        if (c->gen == gen)
            return true;
    }
}

void Deck::mix(float* out, int frames, float* cue, bool fineKeyLock) {
    const float cueTarget = m_cue.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
    // Unheard, the cue has nothing to slide from; heard, a toggle fades in or out.
    if (!cue)
        m_cueLevel.jump(cueTarget);
    else
        m_cueLevel.setTarget(cueTarget);
    if (m_cueLevel.value() == 0.0f && !m_cueLevel.moving())
        cue = nullptr;
    const float target = m_targetGain.load(std::memory_order_relaxed);
    // A silent deck takes a new level (and knobs, and cue) at once: there is no sound to step.
    if (state() != DeckState::Playing) {
        dropStale();
        m_oldPlaceFrames = 0;
        m_gain = m_rampTarget = target;
        m_shape.settle();
        m_cueLevel.jump(cueTarget);
        return;
    }
    if (m_startSilent.exchange(false, std::memory_order_acq_rel)) {
        m_gain = m_rampTarget = target;
        m_shape.settle();
        m_cueLevel.jump(cueTarget);
    }
    const uint64_t gen = m_gen.load(std::memory_order_acquire);
    // A seek while playing leaves the ring full of the old place's frames, and the decoder can add the new
    // place's only once there is room. Dropping them all now would leave this pass silent; instead this pass
    // plays on from the old place (its position and any end not counted), and what is left of it is dropped
    // afterwards, so that the next pass starts at the new place. Should the decoder not have put the new
    // place's first frames there by then, that pass too plays on from the old place, from a period of it
    // kept.
    const Chunk* head = m_ring.readable();
    const bool current = holdsCurrent(gen);
    const bool playsOut = head && head->gen != gen && !current;
    const bool fromKept = !playsOut && !current && m_oldPlaceGen == gen && m_oldPlacePos < m_oldPlaceFrames;
    if (current)
        m_oldPlaceFrames = 0;
    const bool bridging = playsOut || fromKept;
    if (!bridging)
        dropStale();
    if (target != m_rampTarget) {
        m_rampTarget = target;
        m_rampStep = (target - m_gain) / float(m_rampFrames);
    }
    // The deck's peaks after its gain, for its meter, found while the frames pass.
    float peakL = 0.0f, peakR = 0.0f;
    const double tempo = m_tempo.load(std::memory_order_relaxed);
    const auto mode = dsp::TempoStage::modeFor(tempo, m_keyLock.load(std::memory_order_relaxed), fineKeyLock);
    if (!m_stage->idle(mode)) {
        m_source.kept = fromKept;
        mixStretched(out, frames, cue, gen, bridging, mode, tempo, peakL, peakR);
        meter.record(peakL, peakR);
        if (playsOut)
            keepOldPlace(gen);
        return;
    }
    // The song at its own speed: straight from the ring.
    m_stageGen = gen;
    int i = 0;
    while (i < frames) {
        const float* kept = nullptr;
        if (const int n = fromKept ? takeOldPlace(&kept, frames - i) : 0) {
            m_stage->notePlayed(kept, n);
            sound(kept, n, out + 2 * i, cue ? cue + 2 * i : nullptr, peakL, peakR);
            i += n;
            continue;
        }
        Chunk* c = m_ring.readable();
        if (!c) {
            m_underflows.fetch_add(1, std::memory_order_relaxed);
            break;
        }
        const bool stale = c->gen != gen;
        if (stale && !bridging) {
            m_ring.pop();
            m_chunkPos = 0;
            continue;
        }
        const int n = std::min(c->frames - m_chunkPos, frames - i);
        const float* in = c->samples + 2 * m_chunkPos;
        m_stage->notePlayed(in, n);
        sound(in, n, out + 2 * i, cue ? cue + 2 * i : nullptr, peakL, peakR);
        m_chunkPos += n;
        i += n;
        if (!stale) {
            m_position.store(c->seekStart + double(c->offset + m_chunkPos) / m_outputRate,
                             std::memory_order_relaxed);
            m_positionGen.store(gen, std::memory_order_release);
        }
        if (m_chunkPos >= c->frames) {
            const bool end = c->end && !stale;
            m_ring.pop();
            m_chunkPos = 0;
            if (end) {
                // Marked before the state changes, so that a play() that sees the stop also sees the end.
                m_atEnd.store(true, std::memory_order_release);
                // Stopped and counted in one step: the polling worker sees both or neither.
                changeState(DeckState::Playing, DeckState::Stopped, true);
                break;
            }
        }
    }
    meter.record(peakL, peakR);
    if (playsOut)
        keepOldPlace(gen);
}

void Deck::keepOldPlace(uint64_t gen) {
    int kept = 0, from = m_chunkPos;
    for (uint32_t i = 0; kept < kOldPlaceFrames; ++i) {
        const Chunk* c = m_ring.peek(i);
        if (!c || c->gen == gen)
            break;
        const int n = std::min(c->frames - from, kOldPlaceFrames - kept);
        std::copy_n(c->samples + 2 * from, 2 * n, m_oldPlace.data() + 2 * kept);
        kept += n;
        from = 0;
        if (c->end)
            break;
    }
    m_oldPlaceFrames = kept;
    m_oldPlacePos = 0;
    m_oldPlaceGen = gen;
    dropStale();
}

int Deck::takeOldPlace(const float** frames, int most) {
    const int n = std::max(0, std::min(m_oldPlaceFrames - m_oldPlacePos, most));
    *frames = m_oldPlace.data() + 2 * m_oldPlacePos;
    m_oldPlacePos += n;
    return n;
}

void Deck::sound(const float* in, int n, float* o, float* q, float& peakL, float& peakR) {
    // Gain, bands and filter come before the level, and the cue hears them too.
    const float* s = m_shape.process(in, n);
    if (q)
        addCue(q, s, n);
    if (m_gain == m_rampTarget) {
        const float g = m_gain;
        float l = 0.0f, r = 0.0f;
        for (int k = 0; k < n; ++k) {
            o[2 * k] += s[2 * k] * g;
            o[2 * k + 1] += s[2 * k + 1] * g;
            l = std::max(l, std::fabs(s[2 * k]));
            r = std::max(r, std::fabs(s[2 * k + 1]));
        }
        peakL = std::max(peakL, l * g);
        peakR = std::max(peakR, r * g);
    } else {
        for (int k = 0; k < n; ++k) {
            m_gain += m_rampStep;
            if (m_rampStep == 0.0f || (m_rampStep > 0 ? m_gain >= m_rampTarget : m_gain <= m_rampTarget))
                m_gain = m_rampTarget;
            const float l = s[2 * k] * m_gain, r = s[2 * k + 1] * m_gain;
            o[2 * k] += l;
            o[2 * k + 1] += r;
            peakL = std::max(peakL, std::fabs(l));
            peakR = std::max(peakR, std::fabs(r));
        }
    }
}

void Deck::mixStretched(float* out, int frames, float* cue, uint64_t gen, bool bridging,
                        dsp::TempoStage::Mode mode, double tempo, float& peakL, float& peakR) {
    // A new place in the song: what the stage holds of the old one goes.
    if (!bridging && m_stageGen != gen) {
        m_stage->reset();
        m_stageGen = gen;
        m_source.ended = false;
    }
    m_source.gen = gen;
    m_source.bridging = bridging;
    m_source.starved = false;
    const bool current = m_stageGen == gen;
    for (int i = 0; i < frames;) {
        const int n = std::min(kStretchFrames, frames - i);
        m_stage->render(m_source, m_stretched.data(), n, tempo, mode);
        sound(m_stretched.data(), n, out + 2 * i, cue ? cue + 2 * i : nullptr, peakL, peakR);
        i += n;
        if (!current)
            continue;
        // What is heard lags what was pulled by what the stage holds, in the song's own frames.
        double heard = m_source.pulledPos - m_stage->lag() / m_outputRate;
        if (m_source.ended)
            heard = std::min(heard, m_source.endPos);
        m_position.store(std::max(0.0, heard), std::memory_order_relaxed);
        m_positionGen.store(gen, std::memory_order_release);
        if (m_source.ended && heard >= m_source.endPos) {
            m_atEnd.store(true, std::memory_order_release);
            changeState(DeckState::Playing, DeckState::Stopped, true);
            break;
        }
    }
    if (m_source.starved)
        m_underflows.fetch_add(1, std::memory_order_relaxed);
}

void Deck::RingSource::pull(float* out, int frames) {
    Deck& d = m_deck;
    int i = 0;
    if (kept) {
        const float* old = nullptr;
        i = d.takeOldPlace(&old, frames);
        std::copy_n(old, 2 * i, out);
    }
    while (i < frames && !ended) {
        Chunk* c = d.m_ring.readable();
        if (!c) {
            starved = true;
            break;
        }
        const bool stale = c->gen != gen;
        if (stale && !bridging) {
            d.m_ring.pop();
            d.m_chunkPos = 0;
            continue;
        }
        const int n = std::min(c->frames - d.m_chunkPos, frames - i);
        std::copy_n(c->samples + 2 * d.m_chunkPos, 2 * n, out + 2 * i);
        d.m_chunkPos += n;
        i += n;
        if (!stale)
            pulledPos = c->seekStart + double(c->offset + d.m_chunkPos) / d.m_outputRate;
        if (d.m_chunkPos >= c->frames) {
            const bool end = c->end && !stale;
            d.m_ring.pop();
            d.m_chunkPos = 0;
            if (end) {
                ended = true;
                endPos = pulledPos;
            }
        }
    }
    std::fill(out + 2 * i, out + 2 * frames, 0.0f);
    // Past the end the song's clock runs on through the silence, so that the stage's last frames are heard
    // before the deck stops.
    if (ended)
        pulledPos += double(frames - i) / d.m_outputRate;
}

void Deck::addCue(float* q, const float* s, int frames) {
    if (!m_cueLevel.moving() && m_cueLevel.value() == 1.0f) {
        for (int k = 0; k < 2 * frames; ++k)
            q[k] += s[k];
        return;
    }
    for (int k = 0; k < frames; ++k) {
        const float g = m_cueLevel.next();
        q[2 * k] += s[2 * k] * g;
        q[2 * k + 1] += s[2 * k + 1] * g;
    }
}

void Deck::workerLoop() {
    for (;;) {
        // Read before the work: if the deck is silent here, any end it reached is counted in this word and
        // posted below, so parking on it loses nothing.
        const DeckState seen = stateOf(m_state.load(std::memory_order_acquire));
        bool blocked = false;
        const bool busy = fill(&blocked);
        postEnds();
        std::unique_lock lk(m_wakeMutex);
        if (m_quit)
            return;
        if (m_wakePending) {
            m_wakePending = false;
            continue;
        }
        if (seen == DeckState::Playing || busy) {
            // The ring holds many periods: a poll a period keeps it topped up, and the audio callback never
            // has to wake anyone.
            // Frames of a seek wait only for the pass that plays out the old place: look again soon, so that
            // the next pass finds the new place's frames there.
            m_wake.wait_for(lk, blocked ? m_poll / 8 : m_poll, [this] { return m_quit || m_wakePending; });
        } else {
            // A silent deck consumes nothing: park until a command from another thread.
            m_wake.wait(lk, [this] { return m_quit || m_wakePending; });
        }
        m_wakePending = false;
    }
}

} // namespace platform::media
