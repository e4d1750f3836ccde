#include "media/ffmpegdecoder.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace platform::media {

namespace {

// The bytes shown to FFmpeg's probe: enough for a tag in front of a raw stream and a few frames after it.
constexpr size_t kProbeBytes = 256 * 1024;
constexpr int kIoBuffer = 64 * 1024;
constexpr int kMinRate = 1000, kMaxRate = 768000, kMaxChannels = 64;
// Demuxers whose files name other files or addresses: a song is one file, so they are never let in.
constexpr const char* kRefused[] = {"hls", "concat", "dash", "ffmetadata", "image2", "mp3"};

struct Source {
    int fd = -1;
    int64_t pos = 0;
    int64_t size = 0;
};

int readPacket(void* opaque, uint8_t* buf, int size) {
    auto* s = static_cast<Source*>(opaque);
    for (;;) {
        const ssize_t r = ::pread(s->fd, buf, size_t(size), s->pos);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return AVERROR(errno);
        if (r == 0)
            return AVERROR_EOF;
        s->pos += r;
        return int(r);
    }
}

int64_t seekSource(void* opaque, int64_t offset, int whence) {
    auto* s = static_cast<Source*>(opaque);
    if (whence & AVSEEK_SIZE)
        return s->size;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += s->pos;
        break;
    case SEEK_END:
        offset += s->size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    s->pos = offset;
    return offset;
}

// A demuxer that asks to open another file or address is told no: nothing but the song is read.
int refuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

// Widening windows, as FFmpeg's own probe does: every demuxer looks at the whole window, which costs
// milliseconds at full size, while a container names itself in its first bytes.
const AVInputFormat* probe(int fd, int64_t from, int64_t size) {
    for (size_t window = 2048;; window = std::min(window * 4, kProbeBytes)) {
        // Read afresh each time: a container is decided by its first window and a raw stream soon after, so
        // the bytes of the larger ones are read only for a file that nothing recognises.
        std::vector<unsigned char> head = readAt(fd, from, window);
        const size_t got = head.size();
        if (got == 0)
            return nullptr;
        head.resize(got + AVPROBE_PADDING_SIZE, 0);
        AVProbeData pd{};
        pd.filename = "";
        pd.buf = head.data();
        pd.buf_size = int(got);
        int score = 0;
        const AVInputFormat* f = av_probe_input_format3(&pd, 1, &score);
        // Above what a name alone would earn: a few chained frames of a raw stream, or a container's magic.
        // A file shorter than the window was seen whole, and a lower score is what a short song earns.
        const bool whole = from + int64_t(got) >= size;
        const int needed = whole ? AVPROBE_SCORE_RETRY : AVPROBE_SCORE_EXTENSION + 1;
        if (f && score >= needed) {
            for (const char* name : kRefused)
                if (std::strcmp(f->name, name) == 0)
                    return nullptr;
            return f;
        }
        if (whole || got < window || window == kProbeBytes)
            return nullptr;
    }
}

// A demuxer that reads through our own descriptor and opens nothing else.
struct Demuxer {
    Source source;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;

    Demuxer() = default;
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;
    ~Demuxer() {
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    bool open(int fd, const AVInputFormat* inputFormat) {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return false;
        source = {fd, 0, st.st_size};
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
        if (!buffer)
            return false;
        io = avio_alloc_context(buffer, kIoBuffer, 0, &source, &readPacket, nullptr, &seekSource);
        if (!io) {
            av_free(buffer);
            return false;
        }
        format = avformat_alloc_context();
        if (!format)
            return false;
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        format->io_open = &refuseOpen;
        // The stream's rate and channels are known from its first frames; FFmpeg would otherwise decode
        // seconds of it first, which a deck's open waits for.
        format->max_analyze_duration = AV_TIME_BASE / 10;
        format->probesize = kProbeBytes;
        if (avformat_open_input(&format, "", inputFormat, nullptr) < 0) {
            format = nullptr; // freed by the failed open
            return false;
        }
        return true;
    }
};

// A raw stream's exact length: the durations of all its packets, read without decoding them, on a
// descriptor of its own.
ScanResult scanPackets(int fd, const AVInputFormat* inputFormat, int streamIndex, AVRational timeBase,
                       int rate, const std::atomic<bool>& cancel) {
    ScanResult r;
    Demuxer demux;
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        return r;
    // The stream's parameters first: a raw stream's packets carry no durations until its parser knows them.
    if (demux.open(fd, inputFormat) && avformat_find_stream_info(demux.format, nullptr) >= 0 &&
        streamIndex < int(demux.format->nb_streams)) {
        int64_t total = 0;
        while (!cancel.load(std::memory_order_relaxed) && av_read_frame(demux.format, packet) >= 0) {
            if (packet->stream_index == streamIndex && packet->duration > 0)
                total += packet->duration;
            av_packet_unref(packet);
        }
        r.ok = !cancel.load(std::memory_order_relaxed) && total > 0;
        r.frames = av_rescale_q(total, timeBase, AVRational{1, rate});
    }
    av_packet_free(&packet);
    return r;
}

class FfmpegDecoder final : public Decoder {
public:
    ~FfmpegDecoder() override {
        swr_free(&m_swr);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_codec);
    }

    int rate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    int64_t length() const override { return m_length; }

    int read(float* out, int frames) override {
        int written = 0;
        while (written < frames) {
            if (m_pendingFrames == 0 && !decodeNext())
                break;
            const int n = std::min(frames - written, m_pendingFrames);
            std::memcpy(out + size_t(written) * size_t(m_channels),
                        m_buffer.data() + size_t(m_pendingAt) * size_t(m_channels),
                        size_t(n) * size_t(m_channels) * sizeof(float));
            m_pendingAt += n;
            m_pendingFrames -= n;
            written += n;
        }
        clampSamples(out, size_t(written) * size_t(m_channels));
        return written;
    }

    // Sample-exact wherever the container's timestamps count samples: FFmpeg is asked for a point a little
    // before the target (a lossy codec needs a frame or two before it to rebuild its overlap), and the frames
    // decoded from there are placed by the first one's timestamp and dropped up to the target.
    bool seek(int64_t frame) override {
        frame = std::max<int64_t>(0, frame);
        if (m_end >= 0 && frame >= m_end) {
            m_pendingFrames = 0;
            m_ended = true;
            return false;
        }
        // Not held at 0: a target in the first frames needs the packets in front of frame 0 (an encoder's
        // priming) as much as any other.
        const int64_t ts = m_startTs + av_rescale_q(frame - m_preroll, AVRational{1, m_rate}, m_timeBase);
        Landing l = av_seek_frame(m_format, m_streamIndex, ts, AVSEEK_FLAG_BACKWARD) < 0
                        ? Landing::Lost
                        : skipTo(frame, true);
        if (l == Landing::Lost) {
            // Without a timestamp to trust, the way to a frame is from the start.
            l = avformat_seek_file(m_format, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0 &&
                        av_seek_frame(m_format, m_streamIndex, m_startTs, AVSEEK_FLAG_BACKWARD) < 0
                    ? Landing::PastEnd
                    : skipTo(frame, false);
        }
        if (l != Landing::Reached) {
            m_pendingFrames = 0;
            m_ended = true;
        }
        return l == Landing::Reached;
    }

    // A length that FFmpeg estimated from the bit rate (a raw stream has no other) is made exact by a scan.
    std::function<ScanResult(const std::atomic<bool>&)> takeScanner() override {
        if (!m_scanLength)
            return {};
        m_scanLength = false;
        auto fd = std::make_shared<FileDescriptor>(::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0));
        if (fd->get() < 0)
            return {};
        return [fd, format = m_inputFormat, stream = m_streamIndex, timeBase = m_timeBase,
                rate = m_rate](const std::atomic<bool>& cancel) {
            return scanPackets(fd->get(), format, stream, timeBase, rate, cancel);
        };
    }

    void applyScan(const ScanResult& r) override {
        if (r.ok)
            m_length = r.frames;
    }

    OpenResult start(FileDescriptor& fd, const AVInputFormat* format, const QString& path, bool claimed);

private:
    enum class Landing { Reached, PastEnd, Lost };

    // After a reposition: decodes and drops what lies before `frame`. With `byTimestamp`, the first frame's
    // timestamp says where decoding stands (lost when it has none or lies past the target); otherwise
    // decoding stands at the start.
    Landing skipTo(int64_t frame, bool byTimestamp) {
        avcodec_flush_buffers(m_codec);
        m_pendingFrames = 0;
        m_ended = m_draining = false;
        m_next = 0;
        m_placeByTimestamp = byTimestamp;
        m_placeFailed = false;
        for (;;) {
            if (!decodeNext())
                return m_placeFailed ? Landing::Lost : Landing::PastEnd;
            const int64_t at = m_next - m_pendingFrames;
            if (m_placeFailed || at > frame)
                return Landing::Lost;
            if (m_next > frame) {
                const int drop = int(frame - at);
                m_pendingAt += drop;
                m_pendingFrames -= drop;
                return Landing::Reached;
            }
        }
    }

    // The next decoded frame into m_buffer; false at the end of the data.
    bool decodeNext() {
        while (!m_ended) {
            const int got = avcodec_receive_frame(m_codec, m_frame);
            if (got == 0) {
                const bool kept = takeFrame();
                av_frame_unref(m_frame);
                if (!kept) {
                    m_ended = true;
                    return false;
                }
                if (m_pendingFrames > 0)
                    return true;
                continue;
            }
            if (got != AVERROR(EAGAIN) || m_draining) {
                m_ended = true;
                return false;
            }
            const int r = av_read_frame(m_format, m_packet);
            if (r < 0) {
                // The end of the file, or of what a damaged file lets us read: what the codec holds still
                // plays.
                avcodec_send_packet(m_codec, nullptr);
                m_draining = true;
                continue;
            }
            if (m_packet->stream_index == m_streamIndex)
                avcodec_send_packet(m_codec, m_packet); // a damaged packet is skipped, the song goes on
            av_packet_unref(m_packet);
        }
        return false;
    }

    // Converts m_frame to interleaved floats; false when the stream changed into something that is not this
    // song (another rate or channel count).
    bool takeFrame() {
        if (m_frame->sample_rate != m_rate || m_frame->ch_layout.nb_channels != m_channels)
            return false;
        if (!m_swr || m_frame->format != m_swrFormat) {
            swr_free(&m_swr);
            AVChannelLayout layout{};
            av_channel_layout_default(&layout, m_channels);
            if (swr_alloc_set_opts2(&m_swr, &layout, AV_SAMPLE_FMT_FLT, m_rate, &layout,
                                    AVSampleFormat(m_frame->format), m_rate, 0, nullptr) < 0 ||
                swr_init(m_swr) < 0)
                return false;
            m_swrFormat = m_frame->format;
        }
        const int n = m_frame->nb_samples;
        if (m_buffer.size() < size_t(n) * size_t(m_channels))
            m_buffer.resize(size_t(n) * size_t(m_channels));
        uint8_t* outPlanes[] = {reinterpret_cast<uint8_t*>(m_buffer.data())};
        const int done =
            swr_convert(m_swr, outPlanes, n, const_cast<const uint8_t**>(m_frame->extended_data), n);
        if (done < 0)
            return false;
        m_frameTs = m_frame->best_effort_timestamp;
        if (m_placeByTimestamp) {
            m_placeByTimestamp = false;
            if (m_frameTs == AV_NOPTS_VALUE)
                m_placeFailed = true;
            else
                m_next = av_rescale_q(m_frameTs - m_startTs, m_timeBase, AVRational{1, m_rate});
        }
        // Past the container's end (an MP4's edit list leaves out the encoder's padding): not the song.
        const int64_t kept = m_end >= 0 ? std::clamp<int64_t>(m_end - m_next, 0, done) : done;
        m_pendingAt = 0;
        m_pendingFrames = int(kept);
        m_next += kept;
        return true;
    }

    FileDescriptor m_fd;
    Demuxer m_demux;
    AVFormatContext*& m_format = m_demux.format;
    const AVInputFormat* m_inputFormat = nullptr;
    bool m_scanLength = false;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_swr = nullptr;
    int m_swrFormat = -1;
    int m_streamIndex = -1;
    AVRational m_timeBase{1, 1};
    int64_t m_startTs = 0;
    int m_rate = 0;
    int m_channels = 0;
    int64_t m_length = 0;
    int64_t m_end = -1; // the frame the container says the song ends at, when it says so exactly
    int64_t m_preroll = 0;
    std::vector<float> m_buffer;
    int m_pendingAt = 0;
    int m_pendingFrames = 0;
    int64_t m_next = 0; // the song's frame just after the last one decoded
    int64_t m_frameTs = AV_NOPTS_VALUE;
    bool m_draining = false;
    bool m_ended = false;
    bool m_placeByTimestamp = false;
    bool m_placeFailed = false;
};

OpenResult FfmpegDecoder::start(FileDescriptor& fd, const AVInputFormat* format, const QString& path,
                                bool claimed) {
    const QString name = shown(path);
    const auto damaged = [&] {
        return OpenResult{
            nullptr, fail(MediaError::Kind::Corrupt,
                          QStringLiteral("The file \"%1\" is damaged: its sound cannot be read.").arg(name))};
    };
    const auto unknown = [&] {
        return claimed
                   ? damaged()
                   : OpenResult{
                         nullptr,
                         fail(MediaError::Kind::UnsupportedFormat,
                              QStringLiteral("The file \"%1\" is not a song Deckmora can play.").arg(name))};
    };
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (!m_packet || !m_frame || !m_demux.open(fd.get(), format))
        return damaged();
    m_inputFormat = format;
    if (avformat_find_stream_info(m_format, nullptr) < 0)
        return damaged();
    const AVCodec* codec = nullptr;
    m_streamIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (m_streamIndex < 0 || !codec)
        return unknown();
    AVStream* stream = m_format->streams[m_streamIndex];
    if (codec->id == AV_CODEC_ID_MP3)
        return unknown();
    for (unsigned i = 0; i < m_format->nb_streams; ++i)
        if (int(i) != m_streamIndex)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    m_codec = avcodec_alloc_context3(codec);
    if (!m_codec || avcodec_parameters_to_context(m_codec, stream->codecpar) < 0)
        return damaged();
    m_codec->thread_count = 1;
    if (avcodec_open2(m_codec, codec, nullptr) < 0)
        return damaged();
    m_timeBase = stream->time_base;
    m_rate = stream->codecpar->sample_rate;
    m_channels = stream->codecpar->ch_layout.nb_channels;
    // Beyond any real song's rate or channels, the header is damaged, and the resampler would be asked for
    // absurd ratios.
    if (m_rate < kMinRate || m_rate > kMaxRate || m_channels <= 0 || m_channels > kMaxChannels ||
        m_timeBase.num <= 0 || m_timeBase.den <= 0)
        return damaged();
    m_preroll = m_rate / 5;
    // The first frame: the rate and channels the codec really gives. The song's frame 0 is its first sample,
    // whatever the timestamp says (a container may count an encoder's delay before it).
    if (!decodeNext())
        return OpenResult{
            nullptr,
            fail(MediaError::Kind::Corrupt,
                 QStringLiteral("The file \"%1\" is damaged: no sound could be decoded from it.").arg(name))};
    m_startTs = m_frameTs != AV_NOPTS_VALUE            ? m_frameTs
                : stream->start_time != AV_NOPTS_VALUE ? stream->start_time
                                                       : 0;
    if (stream->duration > 0)
        m_length = av_rescale_q(stream->duration, m_timeBase, AVRational{1, m_rate});
    else if (m_format->duration > 0)
        m_length = av_rescale_q(m_format->duration, AVRational{1, AV_TIME_BASE}, AVRational{1, m_rate});
    m_scanLength = m_format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    // MP4 counts its song in samples, delay and padding left out: the decoder's last frame may run past it.
    if (std::strstr(format->name, "mp4") && stream->duration > 0)
        m_end = m_length;
    m_fd = std::move(fd);
    return {};
}

} // namespace

OpenResult openWithFfmpeg(FileDescriptor& fd, const QString& path, bool claimedContainer, int64_t probeFrom) {
    // Quiet: its messages describe a damaged file's insides, which the user is told of in one sentence.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    struct stat st {};
    const AVInputFormat* format =
        ::fstat(fd.get(), &st) == 0 ? probe(fd.get(), probeFrom, st.st_size) : nullptr;
    if (!format)
        return {
            nullptr,
            claimedContainer
                ? fail(MediaError::Kind::Corrupt,
                       QStringLiteral("The file \"%1\" is damaged: its sound cannot be read.")
                           .arg(shown(path)))
                : fail(MediaError::Kind::UnsupportedFormat,
                       QStringLiteral("The file \"%1\" is not a song Deckmora can play.").arg(shown(path)))};
    auto d = std::make_unique<FfmpegDecoder>();
    OpenResult r = d->start(fd, format, path, claimedContainer);
    if (r.error)
        return r;
    r.decoder = std::move(d);
    return r;
}

} // namespace platform::media
