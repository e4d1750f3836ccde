// A host outside the project, as a developer writes one from the installed headers: it places both controls
// from forms through uic and QUiLoader (Designer's order, the reverse, refused values), hears their warnings
// through its own prompts, deletes them inside their events, and creates Lumaband by class identifier.
// Prints each failed check and exits with their number.
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <component/controlerror.h>
#include <component/controlhost.h>
#include <component/controllibrary.h>
#include <component/propertybag.h>
#include <cstdio>
#include <glissor/glissor.h>
#include <lumaband/lumaband.h>
#include <lumaband/lumabandinterface.h>
#include <memory>
#include <ui/prompts.h>

#ifdef HAVE_UITOOLS
#include <QUiLoader>
#endif

#include "ui_designerorder.h"
#include "ui_outofrange.h"
#include "ui_reverseorder.h"

namespace {

int failures = 0;
#define CHECK(condition)                                                                                     \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);                     \
            ++failures;                                                                                      \
        }                                                                                                    \
    } while (0)

// The host's prompt seam: records what it is told and never opens a window.
class HostPrompts : public platform::Prompts {
public:
    QStringList said;
    platform::Answer message(const QString& text, platform::Buttons, platform::Icon,
                             const QString&) override {
        said << text;
        return platform::Answer::Ok;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    platform::FileDialogResult openFile(const platform::FileDialogRequest&) override { return {}; }
    platform::FileDialogResult saveFile(const platform::FileDialogRequest&) override { return {}; }
};

// A site of the host's own, built from the control model alone.
class HostSite : public platform::component::ControlSite {
public:
    explicit HostSite(platform::Prompts& prompts) : m_prompts(prompts) {}
    platform::Prompts& prompts() override { return m_prompts; }

private:
    platform::Prompts& m_prompts;
};

#ifdef HAVE_UITOOLS
std::unique_ptr<QWidget> load(const char* form) {
    QUiLoader loader; // finds the Designer plugins on Qt's plugin path (QT_PLUGIN_PATH)
    QFile file(QStringLiteral(FORMS "/") + QLatin1String(form));
    file.open(QIODevice::ReadOnly);
    return std::unique_ptr<QWidget>(loader.load(&file));
}
#endif

void mouse(QWidget* w, QEvent::Type type) {
    const QPointF at(50, 8);
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    HostPrompts prompts;
    platform::setPrompts(&prompts);

    { // uic, in the order Designer writes: the range before the value
        QWidget form;
        Ui::DesignerOrder ui;
        ui.setupUi(&form);
        CHECK(ui.Vol->valueText() == "50" && ui.Vol->maxText() == "100");
        CHECK(!ui.Vol->Enabled() && ui.Vol->Font().pointSize() == 14 && ui.Vol->Caption() == "Volume");
        CHECK(ui.PB->Value() == 500 && ui.PB->Max() == 1000 && ui.PB->BorderStyle() == Lumaband::D3D);
        CHECK(prompts.said.isEmpty());
    }
    { // uic, value first: each assignment meets the range in force
        QWidget form;
        Ui::ReverseOrder ui;
        ui.setupUi(&form);
        CHECK(ui.Vol->valueText() == "10" && ui.Vol->maxText() == "100");
        CHECK(ui.PB->Value() == 0 && ui.PB->Max() == 1000);
        CHECK(prompts.said == QStringList({"Value has to be less than Max."}));
        prompts.said.clear();
    }
    { // uic calls the members directly: a refused Glissor value throws as a direct call does
        QWidget form;
        Ui::OutOfRange ui;
        bool threw = false;
        try {
            ui.setupUi(&form);
        } catch (const platform::component::ControlError& e) {
            threw = e.kind() == platform::component::ErrorKind::DivisionByZero;
        }
        CHECK(threw);
        CHECK(ui.PB->Value() == 0 && prompts.said == QStringList({"Overflow"}));
        prompts.said.clear();
    }
#ifdef HAVE_UITOOLS
    { // QUiLoader, both orders and refused values: nothing escapes, values as uic gives them
        auto designer = load("designerorder.ui");
        CHECK(designer);
        auto reverse = load("reverseorder.ui");
        CHECK(reverse);
        auto refused = load("outofrange.ui");
        CHECK(refused);
        if (designer && reverse && refused) {
            const auto value = [](const std::unique_ptr<QWidget>& w, const char* name, const char* property) {
                QWidget* child = w->findChild<QWidget*>(QLatin1String(name));
                return child ? child->property(property) : QVariant();
            };
            CHECK(value(designer, "Vol", "Value").toDouble() == 50 &&
                  value(designer, "PB", "Value").toInt() == 500);
            CHECK(!value(designer, "Vol", "Enabled").toBool());
            CHECK(value(reverse, "Vol", "Value").toDouble() == 10 &&
                  value(reverse, "PB", "Value").toInt() == 0);
            CHECK(value(refused, "Vol", "MaxValue").toDouble() == 10 &&
                  value(refused, "PB", "Value").toInt() == 0);
            CHECK(prompts.said == QStringList({"Value has to be less than Max.", "Overflow"}));
        }
        prompts.said.clear();
    }
#endif
    { // a site of the host's own takes the warnings of the control it sites
        HostPrompts own;
        HostSite site(own);
        Lumaband bar;
        bar.setSite(&site);
        bar.setMin(200);
        CHECK(own.said == QStringList({"Min has to be less than Max."}) && prompts.said.isEmpty());
    }
    { // deleted inside its own events
        QWidget window;
        QPointer<Glissor> slider = new Glissor(&window);
        QPointer<Lumaband> bar = new Lumaband(&window);
        slider->resize(109, 30);
        bar->resize(185, 17);
        window.show();
        QObject::connect(slider, &Glissor::Change, [&](double&) { delete slider.data(); });
        QObject::connect(bar, &Lumaband::Click, [&] { delete bar.data(); });
        mouse(slider, QEvent::MouseButtonPress);
        mouse(bar, QEvent::MouseButtonPress);
        mouse(bar, QEvent::MouseButtonRelease);
        CHECK(!slider && !bar);
    }
    { // run-time creation by class identifier: register the library, then create, drive and save
        using namespace platform::component;
        QString why;
        auto library = ControlLibrary::open(QStringLiteral(LUMABAND_LIBRARY), &why);
        CHECK(library && library->registerServer() == kOk);
        QWidget window;
        QWidget* pb = createControl(QString::fromLatin1(lumaband::kClassId), &window, {}, &why);
        CHECK(pb);
        if (pb) {
            pb->setProperty("Value", 101);
            CHECK(pb->property("Value").toInt() == 0);
            CHECK(prompts.said == QStringList({"Value has to be less than Max."}));
            PropertyBag bag;
            controlOf(pb)->writeProperties(bag);
            CHECK(bag.isEmpty());
        }
    }
    platform::setPrompts(nullptr);
    return failures;
}
