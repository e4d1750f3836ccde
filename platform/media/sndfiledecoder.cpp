#include "media/sndfiledecoder.h"

#include <sndfile.h>

namespace platform::media {

namespace {

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE* sf, const SF_INFO& info, FileDescriptor fd)
        : m_fd(std::move(fd)), m_sf(sf), m_info(info) {}
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
    bool seek(int64_t frame) override {
        m_pastEnd = frame >= m_info.frames || sf_seek(m_sf, frame, SEEK_SET) < 0;
        return !m_pastEnd;
    }

private:
    FileDescriptor m_fd; // sf_open_fd was told not to close it; it outlives m_sf
    SNDFILE* m_sf;
    SF_INFO m_info;
    bool m_pastEnd = false;
};

} // namespace

OpenResult openWithSndfile(FileDescriptor fd, const QString& path, bool claimedContainer) {
    SF_INFO info{};
    ::lseek(fd.get(), 0, SEEK_SET);
    SNDFILE* sf = sf_open_fd(fd.get(), SFM_READ, &info, SF_FALSE);
    if (!sf)
        return {nullptr,
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
        return {nullptr, fail(MediaError::Kind::UnsupportedFormat,
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
