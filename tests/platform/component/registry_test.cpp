#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <gtest/gtest.h>
#include <memory>

#include "component/componentregistry.h"
#include "component/controlhost.h"
#include "component/controllibrary.h"
#include "component/propertybag.h"
#include "tempdir.h"

using namespace platform::component;

namespace {

const QString kTestClsid = QStringLiteral("{0E9C52A1-7A33-4F0B-9B7E-2D1C4A5B6C70}");
const QString kTestProgId = QStringLiteral("Deckmora.TestControl");

std::shared_ptr<ControlLibrary> testLibrary() {
    QString error;
    auto lib = ControlLibrary::open(QStringLiteral(TESTCONTROL_PATH), &error);
    EXPECT_TRUE(lib) << error.toStdString();
    return lib;
}

class Registered : public ::testing::Test {
protected:
    void SetUp() override {
        m_lib = testLibrary();
        ASSERT_TRUE(m_lib);
        ASSERT_EQ(m_lib->registerServer(), kOk);
    }
    void TearDown() override {
        if (m_lib)
            m_lib->unregisterServer();
    }
    std::shared_ptr<ControlLibrary> m_lib;
};

} // namespace

TEST(ComponentRegistry, ClassIdentifiersHaveOneSpelling) {
    EXPECT_EQ(normalizedClsid(QStringLiteral("0e9c52a1-7a33-4f0b-9b7e-2d1c4a5b6c70")), kTestClsid);
    EXPECT_EQ(normalizedClsid(QStringLiteral(" {0e9c52a1-7a33-4f0b-9b7e-2d1c4a5b6c70} ")), kTestClsid);
    EXPECT_TRUE(normalizedClsid(QStringLiteral("{0e9c52a1-7a33-4f0b-9b7e-2d1c4a5b6c70")).isEmpty());
    EXPECT_TRUE(normalizedClsid(QStringLiteral("Project1.Lumaband")).isEmpty());
    EXPECT_TRUE(normalizedClsid(QStringLiteral("{0E9C52A1-7A33-4F0B-9B7E-2D1C4A5B6C7}")).isEmpty());
}

TEST(ComponentRegistry, LivesInThePrivateConfigurationFolder) {
    EXPECT_TRUE(
        ComponentRegistry::userFilePath().startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));
}

TEST_F(Registered, RegisteringWritesClassProgIdAndPath) {
    ComponentRegistry registry;
    const auto byClsid = registry.find(kTestClsid.toLower());
    ASSERT_TRUE(byClsid);
    EXPECT_EQ(byClsid->clsid, kTestClsid);
    EXPECT_EQ(byClsid->progId, kTestProgId);
    EXPECT_EQ(QFileInfo(byClsid->libraryPath).canonicalFilePath(),
              QFileInfo(QStringLiteral(TESTCONTROL_PATH)).canonicalFilePath());
    const auto byProgId = registry.find(kTestProgId.toUpper());
    ASSERT_TRUE(byProgId);
    EXPECT_EQ(byProgId->clsid, kTestClsid);

    ASSERT_EQ(m_lib->unregisterServer(), kOk);
    EXPECT_FALSE(registry.find(kTestClsid));
    EXPECT_FALSE(registry.find(kTestProgId));
}

TEST_F(Registered, CreatesByClassIdentifierAndCountsWhatIsAlive) {
    EXPECT_EQ(m_lib->canUnloadNow(), kOk);
    ClassFactory* factory = nullptr;
    ASSERT_EQ(m_lib->getClassObject(kTestClsid, &factory), kOk);
    EXPECT_EQ(m_lib->canUnloadNow(), kFalse); // a class object alone keeps the library
    QWidget parent;
    Control* control = factory->createInstance(&parent);
    ASSERT_TRUE(control);
    factory->release();
    EXPECT_EQ(m_lib->canUnloadNow(), kFalse); // the instance keeps it

    QString error;
    Control* second = createInstance(kTestProgId, &parent, &error);
    ASSERT_TRUE(second) << error.toStdString();
    EXPECT_EQ(controlOf(second->widget()), second);
    EXPECT_EQ(second->widget()->parentWidget(), &parent);

    delete control->widget();
    EXPECT_EQ(m_lib->canUnloadNow(), kFalse);
    delete second->widget();
    EXPECT_EQ(m_lib->canUnloadNow(), kOk);
}

TEST_F(Registered, ClassObjectsAreOnlyForTheirClassAndInterface) {
    void* object = reinterpret_cast<void*>(1);
    auto get = reinterpret_cast<DllGetClassObjectFn>(
        QLibrary::resolve(QStringLiteral(TESTCONTROL_PATH), "DllGetClassObject"));
    ASSERT_TRUE(get);
    EXPECT_EQ(get("{00000000-0000-0000-0000-000000000001}", kIidClassFactory, &object), kClassNotAvailable);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(get(kTestClsid.toUtf8().constData(), "{00000000-0000-0000-0000-000000000001}", &object),
              kNoInterface);
    EXPECT_EQ(get(kTestClsid.toUtf8().constData(), kIidClassFactory, nullptr), kPointer);
    EXPECT_EQ(m_lib->canUnloadNow(), kOk);
}

TEST_F(Registered, CreateControlSitesAndRestoresTheSet) {
    QWidget parent;
    QFont font(QStringLiteral("Serif"), 17);
    parent.setFont(font);
    TempDir dir;
    PropertyBag set;
    set.write(QStringLiteral("caption"), QStringLiteral("from file"));
    set.write(QStringLiteral("_ExtentX"), std::int32_t{4895});
    set.write(QStringLiteral("_ExtentY"), std::int32_t{450});
    ASSERT_TRUE(set.save(dir.file("c.props")));

    QString error;
    std::unique_ptr<QWidget> w(createControl(kTestClsid, &parent, dir.file("c.props"), &error));
    ASSERT_TRUE(w) << error.toStdString();
    EXPECT_EQ(w->property("Caption").toString(), QStringLiteral("from file"));
    EXPECT_EQ(w->size(), QSize(185, 17));
    EXPECT_EQ(w->font().pointSize(), 17); // the window's font is the ambient font

    std::unique_ptr<QWidget> fresh(createControl(kTestClsid, &parent, {}, &error));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->property("Caption").toString(), QStringLiteral("new"));

    PropertyBag saved;
    controlOf(w.get())->writeProperties(saved);
    EXPECT_EQ(saved.read(QStringLiteral("Caption"), QString()), QStringLiteral("from file"));
    EXPECT_FALSE(saved.contains(QStringLiteral("Count")));

    // What a host saves, it creates again the same.
    ASSERT_TRUE(saveControl(w.get(), dir.file("again.props"), &error)) << error.toStdString();
    std::unique_ptr<QWidget> again(createControl(kTestClsid, &parent, dir.file("again.props"), &error));
    ASSERT_TRUE(again) << error.toStdString();
    EXPECT_EQ(again->property("Caption").toString(), QStringLiteral("from file"));
    EXPECT_EQ(again->size(), QSize(185, 17));
    EXPECT_FALSE(saveControl(&parent, dir.file("not.props"), &error));
}

TEST_F(Registered, ASetThatCannotBeRestoredLeavesNoInstance) {
    TempDir dir;
    QWidget parent;
    const QString path = dir.write("bad.props", "Count = text \"many\"\n");
    QString error;
    EXPECT_FALSE(createControl(kTestClsid, &parent, path, &error));
    EXPECT_TRUE(error.contains(QLatin1String("Type mismatch"))) << error.toStdString();
    EXPECT_EQ(m_lib->canUnloadNow(), kOk);

    const QString broken = dir.write("broken.props", "Count = i16 forty\n");
    EXPECT_FALSE(createControl(kTestClsid, &parent, broken, &error));
    EXPECT_TRUE(error.contains(QLatin1String("line 1"))) << error.toStdString();
    EXPECT_FALSE(createControl(kTestClsid, &parent, dir.file("missing.props"), &error));
}

TEST(ControlHost, AnUnknownClassIsAClearError) {
    QWidget parent;
    QString error;
    EXPECT_FALSE(
        createControl(QStringLiteral("{DEADBEEF-0000-0000-0000-000000000000}"), &parent, {}, &error));
    EXPECT_TRUE(error.contains(QLatin1String("{DEADBEEF-0000-0000-0000-000000000000}")))
        << error.toStdString();
    EXPECT_FALSE(createInstance(QStringLiteral("No.Such.Class"), &parent, &error));
    EXPECT_TRUE(parent.children().isEmpty());
}

TEST(ControlHost, ALibraryWithoutEntryPointsIsRefused) {
    QString error;
    EXPECT_FALSE(ControlLibrary::open(QStringLiteral(NOENTRY_PATH), &error));
    EXPECT_TRUE(error.contains(QLatin1String("not a control library"))) << error.toStdString();
    EXPECT_FALSE(ControlLibrary::open(QStringLiteral("/nonexistent/libnothing.so"), &error));

    // A registration that points at such a library fails the creation, not the host.
    ComponentRegistry registry;
    ASSERT_TRUE(registry.add({QStringLiteral("{0E9C52A1-0000-0000-0000-000000000001}"),
                              QStringLiteral("No.Entry"),
                              {},
                              QStringLiteral(NOENTRY_PATH)}));
    QWidget parent;
    EXPECT_FALSE(createInstance(QStringLiteral("no.entry"), &parent, &error));
    EXPECT_TRUE(error.contains(QLatin1String("not a control library"))) << error.toStdString();
    registry.remove(QStringLiteral("{0E9C52A1-0000-0000-0000-000000000001}"));
}

TEST(ControlHost, RegistersTheControlLibrariesOfAFolder) {
    const QString folder = QFileInfo(QStringLiteral(TESTCONTROL_PATH)).absolutePath();
    EXPECT_EQ(registerLibrariesIn(folder), 1); // the library without entry points is left alone
    ComponentRegistry registry;
    ASSERT_TRUE(registry.find(kTestProgId));

    // A stale registration (a library that moved) is an error, not a crash.
    ASSERT_TRUE(registry.add({kTestClsid, kTestProgId, {}, QStringLiteral("/nonexistent/libmoved.so")}));
    QWidget parent;
    QString error;
    EXPECT_FALSE(createInstance(kTestClsid, &parent, &error));
    EXPECT_TRUE(error.contains(QLatin1String("libmoved.so"))) << error.toStdString();
    registry.remove(kTestClsid);
}

// An installed program finds its controls in the library folder beside its own, where they are installed.
TEST(ControlHost, AnInstalledProgramLooksInItsLibraryFolderToo) {
    TempDir dir;
    const QString bin = dir.path() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    EXPECT_EQ(controlLibraryFolders(bin), QStringList{bin});
    for (const char* lib : {"lib", "lib64", "lib/x86_64-linux-gnu"})
        QDir().mkpath(dir.path() + QLatin1Char('/') + QLatin1String(lib));
    const QStringList folders = controlLibraryFolders(bin);
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(folders[0], bin);
    EXPECT_TRUE(folders[1].startsWith(dir.path() + QStringLiteral("/lib"))) << folders[1].toStdString();
}
