#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace platform::media {

constexpr int kChunkFrames = 512;
constexpr int kRingChunks = 32; // about a third of a second at 48 kHz

// A block of stereo frames at the output rate. `gen` names the deck's load or seek that produced it, so the
// reader can drop what a later seek made stale without the writer touching the read side.
struct Chunk {
    uint64_t gen = 0;
    int frames = 0;
    bool end = false;     // the decoder ran out of data after these frames
    double seekStart = 0; // song seconds where this gen's decoding began
    int64_t offset = 0;   // output frames of this gen before this chunk
    float samples[2 * kChunkFrames];
};

// Single producer (the deck's decoding side), single consumer (the audio callback). Wait-free on both sides.
class ChunkRing {
public:
    // Producer: the next free chunk, or nullptr when the ring is full. Publish it with commit().
    Chunk* writable() {
        const uint32_t w = m_write.load(std::memory_order_relaxed);
        if (w - m_read.load(std::memory_order_acquire) >= kRingChunks)
            return nullptr;
        return &m_chunks[w % kRingChunks];
    }
    void commit() { m_write.store(m_write.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // Consumer: the oldest published chunk, or nullptr. Release it with pop().
    Chunk* readable() { return peek(0); }
    // Consumer: the i-th published chunk counted from the oldest, or nullptr.
    Chunk* peek(uint32_t i) {
        const uint32_t r = m_read.load(std::memory_order_relaxed);
        if (m_write.load(std::memory_order_acquire) - r <= i)
            return nullptr;
        return &m_chunks[(r + i) % kRingChunks];
    }
    void pop() { m_read.store(m_read.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // Producer: chunks published so far, for holdsBefore().
    uint32_t written() const { return m_write.load(std::memory_order_relaxed); }
    // Producer: whether the consumer has yet to release a chunk of those published before `written` was read.
    bool holdsBefore(uint32_t mark) const {
        return int32_t(mark - m_read.load(std::memory_order_acquire)) > 0;
    }

private:
    std::array<Chunk, kRingChunks> m_chunks{};
    alignas(64) std::atomic<uint32_t> m_write{0};
    alignas(64) std::atomic<uint32_t> m_read{0};
    static_assert(std::atomic<uint32_t>::is_always_lock_free);
};

} // namespace platform::media
