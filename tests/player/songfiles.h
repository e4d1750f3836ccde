#pragma once

#include <QString>
#include <cmath>
#include <sndfile.h>
#include <vector>

// Writes a mono WAV song of `seconds` at `rate` frames a second: a quiet tone, so a mix of it is not silence.
inline bool writeSong(const QString& path, double seconds, int rate = 8000, double hz = 440) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const auto frames = static_cast<sf_count_t>(std::llround(seconds * rate));
    std::vector<float> buf(4096);
    for (sf_count_t done = 0; done < frames;) {
        const sf_count_t n = std::min<sf_count_t>(static_cast<sf_count_t>(buf.size()), frames - done);
        for (sf_count_t i = 0; i < n; ++i)
            buf[i] =
                static_cast<float>(0.25 * std::sin(2 * M_PI * hz * static_cast<double>(done + i) / rate));
        sf_writef_float(f, buf.data(), n);
        done += n;
    }
    sf_close(f);
    return true;
}
