#include "analysis/analysiscache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform::analysis {

namespace {

constexpr char kMagic[4] = {'D', 'M', 'W', 'F'};
constexpr qint64 kEdgeBytes = 64 * 1024;
constexpr int kDigestBytes = 20;
// magic, version, size, modified, digest, columns; the checksum follows the columns.
constexpr int kHeaderBytes = 4 + 4 + 8 + 8 + kDigestBytes + 4;
constexpr int kChecksumBytes = 8;
// A mask of the facts present, then each fact as a double (empty ones as 0): bpm, first beat, loudness,
// true peak, audible start and end.
constexpr int kFacts = 6;
constexpr int kFactsBytes = 4 + kFacts * 8;
const QString kSuffix = QStringLiteral(".wave");
const QString kTempoSuffix = QStringLiteral(".tempo");

// FNV-1a: catches a flipped byte or a swapped block anywhere, at a fraction of the file's read.
uint64_t checksum(const char* data, qsizetype n) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (qsizetype i = 0; i < n; ++i) {
        h ^= uint8_t(data[i]);
        h *= 0x100000001b3ull;
    }
    return h;
}

template <class T> void put(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <class T> T take(const char*& p) {
    const T v = qFromLittleEndian<T>(p);
    p += sizeof(T);
    return v;
}

void putDouble(QByteArray& out, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put(out, bits);
}

double takeDouble(const char*& p) {
    const uint64_t bits = take<uint64_t>(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void putFacts(QByteArray& out, const SongFacts& f) {
    const std::optional<double> values[kFacts] = {f.beats ? std::optional(f.beats->bpm) : std::nullopt,
                                                  f.beats ? std::optional(f.beats->firstBeatSeconds)
                                                          : std::nullopt,
                                                  f.loudnessLufs,
                                                  f.truePeakDbtp,
                                                  f.audibleStartSeconds,
                                                  f.audibleEndSeconds};
    uint32_t mask = 0;
    for (int i = 0; i < kFacts; ++i)
        if (values[i] && std::isfinite(*values[i]))
            mask |= 1u << i;
    put(out, mask);
    for (int i = 0; i < kFacts; ++i)
        putDouble(out, mask & (1u << i) ? *values[i] : 0.0);
}

// False for a mask with unknown bits or a value that is no number: written by something else.
bool takeFacts(const char*& p, SongFacts& f) {
    const uint32_t mask = take<uint32_t>(p);
    std::optional<double> values[kFacts];
    for (int i = 0; i < kFacts; ++i) {
        const double v = takeDouble(p);
        if (mask & (1u << i)) {
            if (!std::isfinite(v))
                return false;
            values[i] = v;
        }
    }
    if (mask >> kFacts || (values[0].has_value() != values[1].has_value()) || (values[0] && *values[0] <= 0))
        return false;
    f = {};
    if (values[0])
        f.beats = BeatGrid{*values[0], *values[1]};
    f.loudnessLufs = values[2];
    f.truePeakDbtp = values[3];
    f.audibleStartSeconds = values[4];
    f.audibleEndSeconds = values[5];
    return true;
}

} // namespace

QString FileIdentity::key() const {
    QByteArray seed;
    put(seed, size);
    put(seed, modifiedMs);
    seed += digest;
    return QString::fromLatin1(QCryptographicHash::hash(seed, QCryptographicHash::Sha1).toHex());
}

FileIdentity FileIdentity::of(const QString& path) {
    FileIdentity id;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return id;
    const QFileInfo info(f);
    id.size = f.size();
    id.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QByteArray head = f.read(kEdgeBytes);
    if (head.size() != std::min<int64_t>(kEdgeBytes, id.size))
        return id;
    hash.addData(head);
    if (id.size > kEdgeBytes) {
        if (!f.seek(std::max(kEdgeBytes, id.size - kEdgeBytes)))
            return id;
        const QByteArray tail = f.read(kEdgeBytes);
        if (tail.isEmpty())
            return id;
        hash.addData(tail);
    }
    id.digest = hash.result();
    return id;
}

uint8_t AnalysisCache::quantise(float value) {
    const float v = std::clamp(value, 0.0f, 1.0f);
    return uint8_t(std::lround(std::sqrt(v) * 255.0f));
}

float AnalysisCache::expand(uint8_t stored) {
    const float s = float(stored) / 255.0f;
    return s * s;
}

QString AnalysisCache::entryPath(const FileIdentity& id) const {
    return m_folder + QLatin1Char('/') + id.key() + kSuffix;
}

bool AnalysisCache::load(const FileIdentity& id, Waveform& into) const {
    SongFacts found;
    if (!read(id, &into, found))
        return false;
    // Touched now: the last to go when the folder is trimmed.
    QFile f(entryPath(id));
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return true;
}

std::optional<SongFacts> AnalysisCache::foundFacts(const FileIdentity& id) const {
    SongFacts found;
    if (!read(id, nullptr, found))
        return std::nullopt;
    return found;
}

bool AnalysisCache::read(const FileIdentity& id, Waveform* into, SongFacts& found) const {
    if (!id.valid())
        return false;
    QFile f(entryPath(id));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // No entry is larger than a waveform can be: a stray big file is not read into memory.
    constexpr int kFixed = kHeaderBytes + kFactsBytes + kChecksumBytes;
    if (f.size() < kFixed || f.size() > int64_t(kFixed) + int64_t(Waveform::capacity()) * 4)
        return false;
    const QByteArray bytes = f.readAll();
    if (bytes.size() < kFixed)
        return false;
    const char* p = bytes.constData();
    if (std::memcmp(p, kMagic, 4) != 0)
        return false;
    p += 4;
    if (take<uint32_t>(p) != kVersion || take<int64_t>(p) != id.size || take<int64_t>(p) != id.modifiedMs ||
        QByteArray::fromRawData(p, kDigestBytes) != id.digest)
        return false;
    p += kDigestBytes;
    const uint32_t columns = take<uint32_t>(p);
    const qsizetype body = qsizetype(kHeaderBytes) + qsizetype(columns) * 4 + kFactsBytes;
    if (columns > uint32_t(Waveform::capacity()) || bytes.size() != body + kChecksumBytes)
        return false;
    const char* sum = bytes.constData() + body;
    if (take<uint64_t>(sum) != checksum(bytes.constData(), body))
        return false;
    const char* factsAt = p + qsizetype(columns) * 4;
    if (!takeFacts(factsAt, found))
        return false;
    if (!into)
        return true;
    std::vector<WaveColumn> out(columns);
    for (WaveColumn& c : out) {
        c.peak = expand(uint8_t(p[0]));
        c.low = expand(uint8_t(p[1]));
        c.mid = expand(uint8_t(p[2]));
        c.high = expand(uint8_t(p[3]));
        p += 4;
    }
    into->setExpectedColumns(columns);
    into->append(out.data(), int(out.size()));
    // The facts before the mark: whoever sees the waveform complete sees them too.
    into->setFacts(withUserTempo(found, userTempo(id)));
    into->finish();
    return true;
}

bool AnalysisCache::store(const FileIdentity& id, const Waveform& waveform, const SongFacts& found) const {
    if (!id.valid() || !waveform.complete() || !QDir().mkpath(m_folder))
        return false;
    const int columns = waveform.ready();
    QByteArray bytes;
    bytes.reserve(kHeaderBytes + columns * 4 + kFactsBytes + kChecksumBytes);
    bytes.append(kMagic, 4);
    put(bytes, kVersion);
    put(bytes, id.size);
    put(bytes, id.modifiedMs);
    bytes += id.digest;
    put(bytes, uint32_t(columns));
    for (int i = 0; i < columns; ++i) {
        const WaveColumn& c = waveform.column(i);
        const char q[4] = {char(quantise(c.peak)), char(quantise(c.low)), char(quantise(c.mid)),
                           char(quantise(c.high))};
        bytes.append(q, 4);
    }
    putFacts(bytes, found);
    put(bytes, checksum(bytes.constData(), bytes.size()));
    const QString path = entryPath(id);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return false;
    trim(path);
    return true;
}

QString AnalysisCache::tempoPath(const FileIdentity& id) const {
    return m_folder + QLatin1Char('/') + id.key() + kTempoSuffix;
}

bool AnalysisCache::storeUserTempo(const FileIdentity& id, std::optional<double> bpm) const {
    if (!id.valid())
        return false;
    if (!bpm)
        return !QFile::exists(tempoPath(id)) || QFile::remove(tempoPath(id));
    if (!std::isfinite(*bpm) || *bpm < kUserTempoMin || *bpm > kUserTempoMax || !QDir().mkpath(m_folder))
        return false;
    QSaveFile f(tempoPath(id));
    const QByteArray text = QByteArray::number(*bpm, 'f', 3) + '\n';
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() && f.commit();
}

std::optional<double> AnalysisCache::userTempo(const FileIdentity& id) const {
    if (!id.valid())
        return std::nullopt;
    QFile f(tempoPath(id));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const double bpm = f.read(64).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(bpm) || bpm < kUserTempoMin || bpm > kUserTempoMax)
        return std::nullopt;
    return bpm;
}

SongFacts AnalysisCache::withUserTempo(SongFacts found, std::optional<double> bpm) {
    if (!bpm)
        return found;
    const double first =
        found.beats ? found.beats->firstBeatSeconds : found.audibleStartSeconds.value_or(0.0);
    found.beats = BeatGrid{*bpm, first};
    found.userTempo = true;
    return found;
}

void AnalysisCache::trim(const QString& spare) const {
    QFileInfoList entries = QDir(m_folder).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files,
                                                         QDir::Time | QDir::Reversed);
    int64_t total = 0;
    for (const QFileInfo& e : entries)
        total += e.size();
    for (const QFileInfo& e : entries) {
        if (total <= m_limit)
            break;
        if (e.absoluteFilePath() == QFileInfo(spare).absoluteFilePath())
            continue;
        if (QFile::remove(e.absoluteFilePath()))
            total -= e.size();
    }
}

} // namespace platform::analysis
