#include "songtags.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace player {

namespace desktop {

namespace {

QString toQString(const TagLib::String& s) {
    return QString::fromStdWString(s.toWString()).trimmed();
}

const TagLib::ID3v2::AttachedPictureFrame* frontCover(TagLib::ID3v2::Tag* tag) {
    if (!tag)
        return nullptr;
    const TagLib::ID3v2::FrameList frames = tag->frameListMap()["APIC"];
    const TagLib::ID3v2::AttachedPictureFrame* any = nullptr;
    for (const TagLib::ID3v2::Frame* f : frames) {
        const auto* pic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(f);
        if (!pic || pic->picture().isEmpty())
            continue;
        if (pic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            return pic;
        if (!any)
            any = pic;
    }
    return any;
}

// A picture as the tags carry it: its bytes and whether it is a PNG (else a JPEG).
struct Cover {
    QByteArray bytes;
    bool png = false;
};

QByteArray toBytes(const TagLib::ByteVector& v) {
    return QByteArray(v.data(), static_cast<qsizetype>(v.size()));
}

Cover fromId3(const TagLib::ID3v2::AttachedPictureFrame* pic) {
    if (!pic)
        return {};
    return {toBytes(pic->picture()), toQString(pic->mimeType()).toLower().contains(QLatin1String("png"))};
}

// FLAC's own picture blocks, and the same blocks inside a Vorbis or Opus comment.
Cover fromFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    const TagLib::FLAC::Picture* any = nullptr;
    for (const TagLib::FLAC::Picture* p : pictures) {
        if (!p || p->data().isEmpty())
            continue;
        if (p->type() == TagLib::FLAC::Picture::FrontCover) {
            any = p;
            break;
        }
        if (!any)
            any = p;
    }
    if (!any)
        return {};
    return {toBytes(any->data()), toQString(any->mimeType()).toLower().contains(QLatin1String("png"))};
}

Cover fromMp4(TagLib::MP4::Tag* tag) {
    if (!tag || !tag->contains("covr"))
        return {};
    for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList())
        if (!art.data().isEmpty())
            return {toBytes(art.data()), art.format() == TagLib::MP4::CoverArt::PNG};
    return {};
}

// The cover of a file TagLib chose by its name: FLAC, Ogg Vorbis, Opus and MP4 carry theirs each in their
// way.
Cover otherCover(TagLib::File* file) {
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        Cover c = fromFlacPictures(flac->pictureList());
        if (c.bytes.isEmpty() && flac->hasXiphComment())
            c = fromFlacPictures(flac->xiphComment()->pictureList());
        if (c.bytes.isEmpty() && flac->hasID3v2Tag())
            c = fromId3(frontCover(flac->ID3v2Tag()));
        return c;
    }
    if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file))
        return vorbis->tag() ? fromFlacPictures(vorbis->tag()->pictureList()) : Cover{};
    if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file))
        return opus->tag() ? fromFlacPictures(opus->tag()->pictureList()) : Cover{};
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file))
        return fromMp4(mp4->tag());
    return {};
}

// Covers are named by the hex of their SHA-1 and their kind; nothing else in the folder is ours to remove.
bool isCoverName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{40}\\.(png|jpg)$"));
    return pattern.match(name).hasMatch();
}

// Marks a cover as used now. Each mark of this program is later than the one before: the file times are
// compared in milliseconds, and songs may change faster.
void markUsed(const QString& path) {
    static std::atomic<qint64> last{0};
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 before = last.load();
    qint64 stamp = 0;
    do {
        stamp = std::max(now, before + 1);
    } while (!last.compare_exchange_weak(before, stamp));
    QFile cover(path);
    if (cover.open(QIODevice::ReadWrite))
        cover.setFileTime(QDateTime::fromMSecsSinceEpoch(stamp, Qt::UTC), QFileDevice::FileModificationTime);
}

// Keeps `keep` and, newest first (a use touches a cover's time), the covers that still fit the bounds.
void pruneCovers(const QString& cacheDir, CoverCacheBounds bounds, const QString& keep) {
    int files = 1;
    qint64 bytes = QFileInfo(keep).size();
    for (const QFileInfo& cover : QDir(cacheDir).entryInfoList(QDir::Files, QDir::Time)) {
        if (!isCoverName(cover.fileName()) || cover.absoluteFilePath() == keep)
            continue;
        if (files < bounds.files && bytes + cover.size() <= bounds.bytes) {
            ++files;
            bytes += cover.size();
        } else {
            QFile::remove(cover.absoluteFilePath());
        }
    }
}

QString storeCover(const Cover& cover, const QString& cacheDir, CoverCacheBounds bounds) {
    const QByteArray& bytes = cover.bytes;
    if (bytes.size() > bounds.bytes || bounds.files < 1)
        return {};
    const QString suffix = cover.png ? QStringLiteral("png") : QStringLiteral("jpg");
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()) +
        QLatin1Char('.') + suffix;
    const QString path = QDir(cacheDir).absoluteFilePath(name);
    if (QFile::exists(path)) {
        markUsed(path); // used again: the last to go
        return path;
    }
    if (!QDir().mkpath(cacheDir))
        return {};
    // Whole or not at all: a panel must never show half a picture.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return {};
    markUsed(path);
    pruneCovers(cacheDir, bounds, path);
    return path;
}

} // namespace

QString coverCacheDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/deckmora/covers");
}

SongTags readSongTags(const QString& path, const QString& cacheDir, CoverCacheBounds bounds) {
    SongTags tags;
    const QByteArray local = QFile::encodeName(path);
    TagLib::ID3v2::Tag* id3 = nullptr;
    TagLib::Tag* generic = nullptr;
    // The file objects must outlive the tags read from them.
    std::unique_ptr<TagLib::MPEG::File> mp3;
    std::unique_ptr<TagLib::RIFF::WAV::File> wav;
    std::unique_ptr<TagLib::FileRef> other;
    Cover cover;
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".wav"))) {
        wav = std::make_unique<TagLib::RIFF::WAV::File>(local.constData(), false);
        if (wav->isValid()) {
            generic = wav->tag();
            id3 = wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr;
        }
    } else if (lower.endsWith(QLatin1String(".mp3"))) {
        mp3 = std::make_unique<TagLib::MPEG::File>(local.constData(), false);
        if (mp3->isValid()) {
            generic = mp3->tag();
            id3 = mp3->hasID3v2Tag() ? mp3->ID3v2Tag() : nullptr;
        }
    } else {
        other = std::make_unique<TagLib::FileRef>(local.constData(), false);
        if (!other->isNull()) {
            generic = other->tag();
            cover = otherCover(other->file());
        }
    }
    if (generic) {
        tags.title = toQString(generic->title());
        tags.artist = toQString(generic->artist());
        tags.album = toQString(generic->album());
    }
    if (cover.bytes.isEmpty())
        cover = fromId3(frontCover(id3));
    if (!cover.bytes.isEmpty())
        tags.artPath = storeCover(cover, cacheDir, bounds);
    return tags;
}

} // namespace desktop

} // namespace player
