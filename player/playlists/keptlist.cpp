#include "keptlist.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace player::keptlist {

namespace {

const QByteArray kMagic = QByteArrayLiteral("DECKMORA-SONGLIST-1\n");
constexpr auto kHash = QCryptographicHash::Sha256;
constexpr int kHashSize = 32;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;
// The largest list the store can hold: every entry at the longest path and name a file system takes.
constexpr qint64 kMaxFileSize = 64 + qint64(SongList::kMaxEntries) * 2 * (4 + 2 * 4096) + kHashSize;

} // namespace

QByteArray encode(const Kept& kept) {
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << qint32(kept.songs.size()) << qint32(kept.selected);
        for (const Song& s : kept.songs)
            out << s.path << s.name;
    }
    return kMagic + payload + QCryptographicHash::hash(payload, kHash);
}

std::optional<Kept> decode(const QByteArray& bytes) {
    if (bytes.size() < kMagic.size() + kHashSize || !bytes.startsWith(kMagic))
        return std::nullopt;
    const QByteArray payload = bytes.mid(kMagic.size(), bytes.size() - kMagic.size() - kHashSize);
    if (QCryptographicHash::hash(payload, kHash) != bytes.right(kHashSize))
        return std::nullopt;
    QDataStream in(payload);
    in.setVersion(kStreamVersion);
    qint32 count = -1, selected = -1;
    in >> count >> selected;
    if (in.status() != QDataStream::Ok || count < 0 || count > SongList::kMaxEntries || selected < -1 ||
        selected >= count)
        return std::nullopt;
    Kept kept;
    kept.selected = selected;
    kept.songs.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        Song s;
        in >> s.path >> s.name;
        if (in.status() != QDataStream::Ok)
            return std::nullopt;
        kept.songs.append(std::move(s));
    }
    if (!in.atEnd())
        return std::nullopt;
    return kept;
}

ReadResult read(const QString& path) {
    ReadResult r;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return r;
    QFile f(path);
    std::optional<Kept> kept;
    if (info.isFile() && info.size() <= kMaxFileSize && f.open(QIODevice::ReadOnly))
        kept = decode(f.readAll());
    f.close();
    if (kept) {
        r.status = ReadStatus::Ok;
        r.kept = std::move(*kept);
        return r;
    }
    // Kept for whoever wants to look at it, out of the way of the next write.
    r.status = ReadStatus::Damaged;
    QString aside = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + QStringLiteral(".damaged-%1").arg(n);
    if (QFile::rename(path, aside))
        r.setAside = aside;
    return r;
}

QString write(const QString& path, const Kept& kept) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return f.errorString();
    const QByteArray bytes = encode(kept);
    if (f.write(bytes) != bytes.size()) {
        const QString why = f.errorString();
        f.cancelWriting();
        return why;
    }
    if (!f.commit())
        return f.errorString();
    return {};
}

} // namespace player::keptlist
