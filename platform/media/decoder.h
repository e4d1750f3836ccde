#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "media/mediaplayer.h"

namespace platform::media {

// The exact length (and an MP3's seek index) made by a full scan on a handle of its own, so that playback on
// the decoding handle need not wait for it.
struct ScanResult {
    bool ok = false;
    int64_t frames = 0; // sample frames, after the encoder's delay and padding are taken off
    std::vector<long> index;
    long step = 0;
};

// One song's source of samples. Worker thread only (or the UI thread before the decoder is handed over); not
// thread-safe.
class Decoder {
public:
    virtual ~Decoder() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // The best length known so far, in frames; an estimate until an MP3's scan has been applied.
    virtual int64_t length() const = 0;
    // Reads up to `frames` interleaved frames of channels() samples, clamped to [-1, 1]. Returns 0 only at
    // the end of the data.
    virtual int read(float* out, int frames) = 0;
    // False when `frame` cannot be reached (past the end); the next read then reports the end.
    virtual bool seek(int64_t frame) = 0;
    // MP3, and a raw stream whose length was only estimated: the scan, as a job that owns its own file handle
    // and so may run on any thread, even after the decoder is gone; it gives up soon after `cancel` is set.
    // Empty when there is nothing to scan; hand its result to applyScan().
    virtual std::function<ScanResult(const std::atomic<bool>& cancel)> takeScanner() { return {}; }
    virtual void applyScan(const ScanResult&) {}
};

struct OpenResult {
    std::unique_ptr<Decoder> decoder;
    MediaError error;
};

// Picks the decoder by the file's content, never by its name.
OpenResult openDecoder(const QString& path);

// True when `data` (the bytes after any ID3v2 tags; `bytesToEnd` of them remain in the file) starts, within
// its first 64 KiB, a run of MPEG audio frame headers that chain by their own lengths. Random bytes almost
// never chain.
bool looksLikeMpegAudio(const unsigned char* data, size_t size, int64_t bytesToEnd);

} // namespace platform::media
