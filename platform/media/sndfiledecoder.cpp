#include "media/sndfiledecoder.h"

#include <algorithm>
#include <sndfile.h>
#include <vector>

namespace platform::media {

namespace {

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE* sf, const SF_INFO& info, FileDescriptor fd)
        : m_fd(std::move(fd)), m_sf(sf), m_info(info) {
        if ((info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
            m_preroll = info.samplerate / 10;
            m_dropped.resize(size_t(kDropFrames) * size_t(info.channels));
        }
    }
    ~SndfileDecoder() override { sf_close(m_sf); }
    int rate() const override { return m_info.samplerate; }
    int channels() const override { return m_info.channels; }
    int64_t length() const override { return m_info.frames; }
    int read(float* out, int frames) override {
        if (m_pastEnd)
            return 0;
        const sf_count_t n = sf_readf_float(m_sf, out, frames);
        if (n <= 0)
            return 0;
        clampSamples(out, size_t(n) * size_t(m_info.channels));
        return int(n);
    }
    // Vorbis rebuilds a block from the one before it: landing straight on the target, libsndfile gives its
    // first frames without that overlap. Decoding from a little before and dropping up to the target gives
    // the samples a full decode gives.
    bool seek(int64_t frame) override {
        const int64_t from = m_preroll > 0 ? std::max<int64_t>(0, frame - m_preroll) : frame;
        m_pastEnd = frame >= m_info.frames || sf_seek(m_sf, from, SEEK_SET) < 0;
        for (int64_t left = frame - from; !m_pastEnd && left > 0;) {
            const sf_count_t n = sf_readf_float(m_sf, m_dropped.data(), std::min<int64_t>(left, kDropFrames));
            if (n <= 0)
                m_pastEnd = true;
            left -= n;
        }
        return !m_pastEnd;
    }

private:
    FileDescriptor m_fd; // sf_open_fd was told not to close it; it outlives m_sf
    SNDFILE* m_sf;
    SF_INFO m_info;
    bool m_pastEnd = false;
    static constexpr int kDropFrames = 1024;
    int64_t m_preroll = 0;
    std::vector<float> m_dropped;
};

} // namespace

OpenResult openWithSndfile(FileDescriptor fd, const QString& path, bool claimedContainer) {
    SF_INFO info{};
    ::lseek(fd.get(), 0, SEEK_SET);
    SNDFILE* sf = sf_open_fd(fd.get(), SFM_READ, &info, SF_FALSE);
    if (!sf)
        return {
            nullptr,
            claimedContainer
                ? fail(MediaError::Kind::Corrupt,
                       QStringLiteral("The file \"%1\" is damaged: its sound cannot be read.")
                           .arg(shown(path)))
                : fail(MediaError::Kind::UnsupportedFormat,
                       QStringLiteral("The file \"%1\" is not a song Deckmora can play.").arg(shown(path)))};
    // libsndfile's own MP3 path trusts a length estimate and stops early on some VBR files; an MP3 that our
    // own check did not recognise is not played through it either.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || info.channels <= 0 || info.samplerate <= 0) {
        sf_close(sf);
        return {nullptr,
                fail(MediaError::Kind::UnsupportedFormat,
                     QStringLiteral("The file \"%1\" is not a song Deckmora can play.").arg(shown(path)))};
    }
    if (info.frames <= 0) {
        sf_close(sf);
        return {nullptr, fail(MediaError::Kind::Empty,
                              QStringLiteral("The file \"%1\" holds no sound.").arg(shown(path)))};
    }
    return {std::make_unique<SndfileDecoder>(sf, info, std::move(fd)), {}};
}

} // namespace platform::media
