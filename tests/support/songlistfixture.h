#pragma once

#include <QListWidget>
#include <QStringList>
#include <gtest/gtest.h>

#include "console/songlist.h"
#include "listcolumn.h"
#include "scriptedprompts.h"
#include "tempdir.h"

using namespace player;

// Each song as "path|name", so two lists of songs compare in one assertion.
inline QStringList pairs(const QList<player::Song>& songs) {
    QStringList out;
    for (const player::Song& s : songs)
        out << s.path + QLatin1Char('|') + s.name;
    return out;
}

// Two bare list controls under a SongList, as the main window holds them, with a folder and scripted answers.
class SongListFixture : public ::testing::Test {
protected:
    QListWidget names;
    QListWidget files;
    SongList list{&names, &files};
    TempDir dir;
    ScriptedPrompts prompts;

    SongListFixture() { SongList::setUpControls(&names, &files); }

    void fill(const QStringList& displayNames, const QString& folder = QStringLiteral("/music")) {
        for (const QString& n : displayNames)
            list.append(n, folder + QLatin1Char('/') + n);
    }
    QStringList allNames() const { return column(&names); }
    QStringList allPaths() const { return column(&files); }
    // The pairs stay matched whatever happened.
    void expectInStep() const { EXPECT_EQ(names.count(), files.count()); }
};
