// The about box and the way to the system-information tool.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "aboutbox.h"
#include "core/settingsstore.h"
#include "glissor/glissor.h"
#include "scriptedprompts.h"
#include "sysinfo.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace glissor;

namespace {

void configure(const QString& path) {
    platform::SettingsStore::write(kSysInfoApp, kSysInfoSection, kSysInfoKey, path);
}

} // namespace

TEST(GlissorAbout, EnterAndEscBothClose) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        AboutBox about(platform::prompts());
        about.show();
        ASSERT_TRUE(about.isVisible());
        QTest::keyClick(&about, static_cast<Qt::Key>(key));
        EXPECT_FALSE(about.isVisible()) << key;
    }
}

TEST(GlissorAbout, ShowAboutBoxIsModalAndBuildsAFreshBoxEachTime) {
    Glissor g;
    for (int i = 0; i < 2; ++i) {
        AboutBox* seen = nullptr;
        QStringList texts;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<AboutBox*>(w) && w->isVisible() && w->isModal())
                    seen = qobject_cast<AboutBox*>(w);
            if (seen) {
                texts << seen->windowTitle() << seen->lblTitle->text() << seen->lblVersion->text();
                QTest::keyClick(seen, Qt::Key_Escape);
            }
        });
        g.ShowAboutBox();
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(texts, QStringList({"About Glissor Control", "Glissor Control", "Version 1.0.0"}));
    }
    EXPECT_TRUE(g.findChildren<AboutBox*>().isEmpty());
}

TEST(GlissorSysInfo, TheToolIsTheConfiguredOneThenOneOnThePath) {
    TempDir dir;
    const QString configured = dir.write("sysinfo-tool", "#!/bin/sh\n");
    const QString named = dir.write("mytool", "#!/bin/sh\n");
    const QString found = dir.write("hardinfo", "#!/bin/sh\n");
    const struct {
        QString configured;
        QString started;
    } cases[] = {
        {configured, configured}, // a configured path comes before any tool on the PATH
        {"mytool", named},        // a configured name is looked up on the PATH
        {"", found},              // nothing configured: a known tool on the PATH
    };
    for (const auto& c : cases) {
        configure(c.configured);
        QStringList started;
        SysInfoLauncher l;
        l.findExecutable = [&](const QString& name) {
            return name == "mytool" ? named : name == "hardinfo" ? found : QString();
        };
        l.start = [&](const QString& p) {
            started << p;
            return true;
        };
        EXPECT_TRUE(StartSysInfo("Glissor Control", platform::prompts(), l)) << c.configured.toStdString();
        EXPECT_EQ(started, QStringList{c.started}) << c.configured.toStdString();
    }
    configure("");
}

TEST(GlissorSysInfo, EveryFailureEndsInOneMessage) {
    TempDir dir;
    const struct {
        QString configured;
        bool startSucceeds;
    } cases[] = {{dir.file("missing-tool"), true}, {"", true}, {dir.write("tool", "x"), false}};
    for (const auto& c : cases) {
        configure(c.configured);
        ScriptedPrompts prompts;
        prompts.answer(platform::Answer::Ok);
        SysInfoLauncher l;
        l.findExecutable = [](const QString&) { return QString(); };
        l.start = [&](const QString&) { return c.startSucceeds; };
        EXPECT_FALSE(StartSysInfo("Glissor Control", prompts, l));
        ASSERT_EQ(prompts.count(), 1);
        EXPECT_EQ(prompts.last().text, "System Information Is Unavailable At This Time");
        EXPECT_EQ(prompts.last().title, "Glissor Control");
        EXPECT_EQ(prompts.last().buttons, platform::Buttons::Ok);
    }
    configure("");
}

TEST(GlissorSysInfo, TheButtonStartsTheTool) {
    // A tool on the PATH that leaves a mark when it runs; nothing is configured, so the PATH is searched.
    TempDir dir;
    const QString mark = dir.file("started");
    const QString tool = dir.write("hardinfo", "#!/bin/sh\n: > '" + mark.toUtf8() + "'\n");
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());
    configure("");
    ScriptedPrompts prompts;
    AboutBox about(platform::prompts());
    about.cmdSysInfo->click();
    qputenv("PATH", path);
    EXPECT_EQ(prompts.count(), 0);
    EXPECT_TRUE(waitFor([&] { return QFile::exists(mark); }, std::chrono::seconds(10)));
}

TEST(GlissorSysInfo, GetKeyValueReportsAMissingValue) {
    QString val = "left over";
    EXPECT_FALSE(GetKeyValue("Nowhere", "Nothing", val));
    EXPECT_TRUE(val.isEmpty());
    configure("/opt/tool");
    EXPECT_TRUE(GetKeyValue(kSysInfoSection, kSysInfoKey, val));
    EXPECT_EQ(val, "/opt/tool");
    configure("");
}
