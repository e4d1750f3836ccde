#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "analysis/waveform.h"

namespace platform::analysis {

// What a song file is, as far as the cache cares: its size, its modification time and a digest of its first
// and last 64 KiB. Cheap to take (two reads), and a song that was edited, replaced or touched is new.
struct FileIdentity {
    int64_t size = -1;
    int64_t modifiedMs = 0;
    QByteArray digest; // 20 bytes; empty when the file could not be read

    bool valid() const { return !digest.isEmpty(); }
    // The entry's file name: the three together, in hex.
    QString key() const;
    static FileIdentity of(const QString& path);
};

// Finished waveforms on disk, a small binary file per song in one folder: a header (magic, version, the
// song's identity, the column count), the columns as four bytes each on a square-root scale (1/255 steps
// near full scale, finer near silence), the song's facts, and a checksum of all of it. An entry that is
// short, damaged or of another version is no entry: the song is analysed again and the entry rewritten. Files
// are replaced atomically, so two threads (or programs) may share the folder. Past the size limit the entries
// used longest ago go first; reading an entry counts as using it.
//
// The user's tempo for a song lives beside its entry, in a small text file of the same key: a song analysed
// again (a damaged entry, a newer version) keeps it, and the trim, which counts only the entries, never
// takes it.
class AnalysisCache {
public:
    static constexpr int64_t kDefaultLimitBytes = int64_t(256) << 20;
    // 3: the tempo's double is chosen by the snares' backbeat; songs read at half by version 2 are read
    // again.
    static constexpr uint32_t kVersion = 3;

    explicit AnalysisCache(QString folder, int64_t limitBytes = kDefaultLimitBytes)
        : m_folder(std::move(folder)), m_limit(limitBytes) {}

    QString folder() const { return m_folder; }
    QString entryPath(const FileIdentity& id) const;
    void setLimit(int64_t bytes) { m_limit = bytes; }
    int64_t limit() const { return m_limit; }

    // Fills the empty `into` with the entry's columns and facts (the user's tempo applied) and marks it
    // complete; false (and `into` untouched) when there is no sound entry for `id`.
    bool load(const FileIdentity& id, Waveform& into) const;
    // The facts as the analysis found them, without the user's tempo; empty without a sound entry.
    std::optional<SongFacts> foundFacts(const FileIdentity& id) const;
    // Writes the complete `waveform` as the entry of `id`, its facts as the analysis found them (`found`),
    // then trims the folder to the limit (sparing this entry); false when the folder cannot be written.
    bool store(const FileIdentity& id, const Waveform& waveform, const SongFacts& found) const;

    // The user's tempo of the song `id`: kept until set to nothing; a value outside kUserTempoMin..Max is
    // refused (false), as is a folder that cannot be written.
    static constexpr double kUserTempoMin = 20, kUserTempoMax = 400;
    bool storeUserTempo(const FileIdentity& id, std::optional<double> bpm) const;
    std::optional<double> userTempo(const FileIdentity& id) const;
    // `found` with the user's tempo over its grid's: the found first beat stays (the start of the sound
    // where no grid was found).
    static SongFacts withUserTempo(SongFacts found, std::optional<double> bpm);

    // The scale of the stored columns, both ways.
    static uint8_t quantise(float value);
    static float expand(uint8_t stored);

private:
    void trim(const QString& spare) const;
    QString tempoPath(const FileIdentity& id) const;
    bool read(const FileIdentity& id, Waveform* into, SongFacts& facts) const;

    QString m_folder;
    int64_t m_limit;
};

} // namespace platform::analysis
