#include "playlistfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <array>

#include "playlistformats.h"
#include "playlistpaths.h"

namespace player {

const QString PlaylistFile::kHeader = QStringLiteral("-<>Playlist<>-");

namespace {

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves undefined map to the C1 control with
// the same number, as Windows itself does, so every byte reads as some character and writes back unchanged.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decode1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

// False when some character has no Windows-1252 byte.
bool encode1252(const QString& text, QByteArray& out) {
    out.resize(text.size());
    char* d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            d[i] = static_cast<char>(c);
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == c) {
                found = k;
                break;
            }
        if (found < 0)
            return false;
        d[i] = static_cast<char>(0x80 + found);
    }
    return true;
}

// Branch-free so the compiler can vectorise it: most playlists are plain ASCII and take the fast path.
bool isAscii(QByteArrayView bytes) {
    unsigned char all = 0;
    for (char c : bytes)
        all |= static_cast<unsigned char>(c);
    return all < 0x80;
}

bool isAsciiText(const QString& text) {
    char16_t all = 0;
    for (QChar c : text)
        all |= c.unicode();
    return all < 0x80;
}

// Checked a slice at a time into one small buffer: a large file is not decoded whole just to be looked at.
// Slices end before a byte that starts a character, so no valid sequence is cut; a cut invalid one stays
// invalid.
bool isValidUtf8(QByteArrayView bytes) {
    constexpr qsizetype kSlice = 16 * 1024;
    QVarLengthArray<QChar, kSlice + 8> buffer(kSlice + 8);
    while (!bytes.isEmpty()) {
        qsizetype cut = std::min(bytes.size(), kSlice);
        for (int back = 0;
             back < 3 && cut < bytes.size() && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80;
             ++back)
            --cut;
        QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        dec.appendToBuffer(buffer.data(), bytes.first(cut));
        if (dec.hasError())
            return false;
        bytes = bytes.sliced(cut);
    }
    return true;
}

const QByteArray kBom("\xEF\xBB\xBF");

} // namespace

PlaylistFile::WriteResult PlaylistFile::replaceWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (!QFileInfo(path).isFile())
            return {false, f.errorString()};
        return {false, QStringLiteral("its folder takes no new file beside it (%1), and the old file is not "
                                      "written over in place, where a disk that fills up would leave it cut.")
                           .arg(f.errorString())};
    }
    if (f.write(bytes) != bytes.size())
        return {false, f.errorString()}; // the temporary file goes with `f`
    if (!f.commit())
        return {false, f.errorString()};
    return {true, {}};
}

bool PlaylistFile::hasPlaylistName(const QString& fileName) {
    return fileName.endsWith(QLatin1String("mdp"));
}

QString PlaylistFile::decode(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith(kBom))
        view = view.sliced(kBom.size());
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    // The file's own byte-order mark is gone; a U+FEFF after it is text and stays.
    QStringDecoder dec(QStringDecoder::Utf8,
                       QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString s = dec.decode(view);
    if (!dec.hasError())
        return s;
    return decode1252(bytes);
}

QByteArray PlaylistFile::encode(const QString& text) {
    if (isAsciiText(text))
        return text.toLatin1();
    QByteArray out;
    if (encode1252(text, out) && (isAscii(out) || !isValidUtf8(out)))
        return out;
    return text.toUtf8();
}

QList<QStringView> PlaylistFile::splitLines(QStringView text) {
    QList<QStringView> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.sliced(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.sliced(start));
    return lines;
}

PlaylistFile::ReadResult PlaylistFile::parse(const QByteArray& bytes, int limit) {
    // Lines are split on the bytes: CR and LF never occur inside a UTF-8 sequence or a Windows-1252
    // character, and a large playlist is then decoded line by line in one pass, without a copy of the whole
    // text. Lines are taken one at a time and only while the list has room: a file of millions of lines
    // costs no more than the songs it gives.
    enum class Encoding { Ascii, Utf8, Cp1252 };
    QByteArrayView text(bytes);
    Encoding encoding = Encoding::Ascii;
    if (!isAscii(text)) {
        const QByteArrayView body = text.startsWith(kBom) ? text.sliced(kBom.size()) : text;
        encoding = isValidUtf8(body) ? Encoding::Utf8 : Encoding::Cp1252;
        if (encoding == Encoding::Utf8)
            text = body;
    }
    const auto toText = [encoding](QByteArrayView line) {
        switch (encoding) {
        case Encoding::Ascii:
            return QString::fromLatin1(line);
        case Encoding::Utf8: {
            // Each line is decoded on its own: a U+FEFF that starts a path or a name is text, not a
            // byte-order mark to drop (fromUtf8 would drop it and the path would no longer match its file).
            QStringDecoder dec(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            return QString(dec.decode(line));
        }
        case Encoding::Cp1252:
            break;
        }
        return decode1252(line);
    };

    qsizetype pos = 0;
    const qsizetype n = text.size();
    const char* d = text.data();
    // A terminator at the very end does not start another line.
    const auto nextLine = [&](QByteArrayView& line) {
        if (pos >= n)
            return false;
        qsizetype i = pos;
        while (i < n && d[i] != '\r' && d[i] != '\n')
            ++i;
        line = text.sliced(pos, i - pos);
        if (i + 1 < n && d[i] == '\r' && d[i + 1] == '\n')
            ++i;
        pos = i + 1;
        return true;
    };

    ReadResult r;
    QByteArrayView header;
    if (!nextLine(header))
        return r; // not even a header line: nothing to read
    if (toText(header) != kHeader) {
        r.status = Status::BadHeader;
        return r;
    }
    r.status = Status::Ok;
    QByteArrayView path, name;
    while (nextLine(path)) {
        if (!nextLine(name)) {
            r.status = Status::Truncated;
            break;
        }
        // A path longer than any file system takes names no file. No character takes more than three bytes
        // in either encoding, so a far longer line is not even decoded.
        const bool overlong = path.size() > 3 * playlistpaths::kMaxPathLength;
        QString p = overlong ? QString() : toText(path);
        if (overlong || p.size() > playlistpaths::kMaxPathLength) {
            ++r.skipped;
            continue;
        }
        if (r.songs.size() >= limit) {
            r.more = true;
            break;
        }
        r.songs.append(Song{std::move(p), toText(name)});
    }
    return r;
}

PlaylistFile::ReadResult PlaylistFile::read(const QString& path, int limit) {
    // A pipe or a device named like a playlist would block or never end: only plain files are read.
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    if (info.size() > playlistformats::kMaxFileSize) {
        ReadResult large;
        large.status = Status::TooLarge;
        return large;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // Looking at the first line before reading on keeps a large file of another kind from being read whole.
    const QByteArray head = f.peek(kHeader.size() + 4 + kBom.size());
    const QByteArray start = head.startsWith(kBom) ? head.mid(kBom.size()) : head;
    if (head.isEmpty())
        return {};
    if (!start.startsWith(kHeader.toLatin1()) ||
        (start.size() > kHeader.size() && start[kHeader.size()] != '\r' && start[kHeader.size()] != '\n')) {
        ReadResult bad;
        bad.status = Status::BadHeader;
        return bad;
    }
    // A file that grew since it was measured is read only up to the limit, and its end is then lost.
    const QByteArray bytes = f.read(playlistformats::kMaxFileSize);
    const bool failed = f.error() != QFileDevice::NoError || !f.atEnd();
    ReadResult r = parse(bytes, limit);
    if (failed && r.status == Status::Ok && !r.more)
        r.status = Status::Truncated;
    return r;
}

QByteArray PlaylistFile::serialize(const QList<Song>& songs, bool withHeader) {
    QString text;
    qsizetype size = withHeader ? kHeader.size() + 2 : 0;
    for (const Song& s : songs)
        size += s.path.size() + s.name.size() + 4;
    text.reserve(size);
    const QLatin1String crlf("\r\n");
    if (withHeader)
        text.append(kHeader).append(crlf);
    for (const Song& s : songs)
        text.append(s.path).append(crlf).append(s.name).append(crlf);
    return encode(text);
}

qsizetype PlaylistFile::firstUnstorable(const QList<Song>& songs) {
    const auto hasBreak = [](const QString& s) {
        return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
    };
    for (qsizetype i = 0; i < songs.size(); ++i)
        if (hasBreak(songs[i].path) || hasBreak(songs[i].name))
            return i;
    return -1;
}

// A new list goes to a temporary file beside the old one and takes its place only once all of it is on disk,
// so a disk that fills up part-way leaves the old playlist whole. A folder that takes no new file gets no
// playlist at all rather than the old one cut and rewritten in place. What is not a plain file (a device, a
// pipe) is written in place. An append that fails is cut back to where it started, so no half pair is left
// at the end of a good playlist. Writes are unbuffered: a buffered flush that the disk takes only in part is
// not reported as failed.
PlaylistFile::WriteResult PlaylistFile::write(const QString& path, const QList<Song>& songs, Mode mode) {
    const QByteArray bytes = serialize(songs, mode == Mode::Create);
    const QFileInfo target(path);
    if (mode == Mode::Create && (target.isFile() || !target.exists()))
        return replaceWhole(path, bytes);
    QFile f(path);
    const QIODevice::OpenMode how =
        QIODevice::Unbuffered | (mode == Mode::Create ? QIODevice::WriteOnly | QIODevice::Truncate
                                                      : QIODevice::WriteOnly | QIODevice::Append);
    if (!f.open(how))
        return {false, f.errorString()};
    const qint64 start = f.isSequential() ? -1 : f.size();
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        const QString why = f.errorString();
        if (mode == Mode::Append && start >= 0)
            f.resize(start);
        f.close();
        return {false, why};
    }
    f.close();
    if (f.error() != QFileDevice::NoError) {
        if (mode == Mode::Append && start >= 0)
            QFile::resize(path, start);
        return {false, f.errorString()};
    }
    return {true, {}};
}

} // namespace player
