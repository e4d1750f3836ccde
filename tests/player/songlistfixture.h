#pragma once

#include <QListWidget>
#include <QStringList>
#include <gtest/gtest.h>

#include "songlist.h"

using namespace player;

// Two bare list controls under a SongList, as the main window holds them.
class SongListFixture : public ::testing::Test {
protected:
    QListWidget names;
    QListWidget files;
    SongList list{&names, &files};

    SongListFixture() { SongList::setUpControls(&names, &files); }

    void fill(const QStringList& displayNames, const QString& folder = QStringLiteral("/music")) {
        for (const QString& n : displayNames)
            list.append(n, folder + QLatin1Char('/') + n);
    }
    QStringList allNames() const {
        QStringList out;
        for (int i = 0; i < names.count(); ++i)
            out << names.item(i)->text();
        return out;
    }
    QStringList allPaths() const {
        QStringList out;
        for (int i = 0; i < files.count(); ++i)
            out << files.item(i)->text();
        return out;
    }
    // The pairs stay matched whatever happened.
    void expectInStep() const { EXPECT_EQ(names.count(), files.count()); }
};
