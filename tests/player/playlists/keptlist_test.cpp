// The song list kept between runs: whatever a list holds comes back exactly, and a file that is not whole is
// set aside and never used.
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "playlists/keptlist.h"
#include "tempdir.h"

using namespace player;

namespace {

keptlist::Kept awkward() {
    keptlist::Kept k;
    k.songs = {
        {QStringLiteral("/m/a\r\nb.mp3"), QStringLiteral("two\nlines")},
        {QString(), QString()},
        {QStringLiteral("/m/\u00e9t\u00e9 \U0001F3B5.wav"), QString(QChar(0xD800))}, // a lone surrogate
        {QStringLiteral("/m/a\r\nb.mp3"), QStringLiteral("two\nlines")}};
    k.selected = 2;
    return k;
}

} // namespace

TEST(KeptList, EveryCharacterAndTheSelectionComeBack) {
    for (const keptlist::Kept& k : {keptlist::Kept{}, awkward()}) {
        const auto back = keptlist::decode(keptlist::encode(k));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->songs, k.songs);
        EXPECT_EQ(back->selected, k.selected);
    }
}

TEST(KeptList, BytesThatAreNotAWholeListAreRefused) {
    const QByteArray good = keptlist::encode(awkward());
    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 1);
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"cut short by one byte", good.chopped(1)},
        {"cut after the header", good.left(24)},
        {"one bit changed", flipped},
        {"something after it", good + 'x'},
        {"another file", QByteArrayLiteral("-<>Playlist<>-\r\n/m/a.mp3\r\na.mp3\r\n")},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(keptlist::decode(c.bytes)) << c.what;
}

TEST(KeptList, AMissingFileIsAnEmptyListAndADamagedOneIsSetAside) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("cfg/list"));
    EXPECT_EQ(keptlist::read(path).status, keptlist::ReadStatus::None);

    ASSERT_EQ(keptlist::write(path, awkward()), QString());
    const keptlist::ReadResult ok = keptlist::read(path);
    EXPECT_EQ(ok.status, keptlist::ReadStatus::Ok);
    EXPECT_EQ(ok.kept.songs, awkward().songs);

    for (int round = 0; round < 2; ++round) {
        const QByteArray damaged = keptlist::encode(awkward()).chopped(3);
        dir.write(QStringLiteral("cfg/list"), damaged);
        const keptlist::ReadResult r = keptlist::read(path);
        EXPECT_EQ(r.status, keptlist::ReadStatus::Damaged);
        EXPECT_TRUE(r.kept.songs.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(path));
        // A second damaged file does not take the first one's place.
        EXPECT_EQ(r.setAside, path + (round == 0 ? QString(".damaged") : QString(".damaged-2")));
        EXPECT_EQ(TempDir::read(r.setAside), damaged);
    }
}

TEST(KeptList, AFailedWriteKeepsTheOldFile) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("list"));
    ASSERT_EQ(keptlist::write(path, awkward()), QString());
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString error = keptlist::write(path, keptlist::Kept{});
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (error.isEmpty())
        GTEST_SKIP() << "the folder could be written anyway (running as root)";
    EXPECT_EQ(keptlist::read(path).kept.songs, awkward().songs);
}
