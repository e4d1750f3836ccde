#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

#include "core/settingsstore.h"

using namespace platform;

TEST(SettingsStore, MissingValueIsEmptyAndValuesLandInTheirSection) {
    EXPECT_EQ(SettingsStore::read("app", "Runnings", "Now"), QString());
    ASSERT_TRUE(SettingsStore::write("app", "Runnings", "Now", "7"));
    EXPECT_EQ(SettingsStore::read("app", "Runnings", "Now"), QStringLiteral("7"));
    EXPECT_EQ(SettingsStore::read("app", "Other", "Now"), QString());
    EXPECT_EQ(SettingsStore::read("other", "Runnings", "Now"), QString());

    // The file is plain INI under the user's configuration folder.
    const QString path = SettingsStore::filePath("app");
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("[Runnings]")) << text.toStdString();
    EXPECT_TRUE(text.contains("Now=7")) << text.toStdString();
}

TEST(SettingsStore, WriteToAnUnwritableFolderReportsFailure) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/proc/deckmora-no-such-place");
    EXPECT_FALSE(SettingsStore::write("app", "Runnings", "Now", "1"));
    qputenv("XDG_CONFIG_HOME", saved);
}
