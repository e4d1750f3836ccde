// A minimal control library for the host tests: one class, two stored properties.
#include <QWidget>

#include "component/controlerror.h"
#include "component/propertybag.h"
#include "component/servermodule.h"

namespace {

using namespace platform::component;

class TestControl final : public QWidget, public Control, private ControlSiteHolder {
public:
    explicit TestControl(QWidget* parent) : QWidget(parent) {}

    QWidget* widget() override { return this; }
    void setSite(ControlSite* site) override {
        setSiteObject(site);
        setFont(this->site().ambientFont());
    }
    void initNew() override { setCaption(QStringLiteral("new")); }
    void readProperties(const PropertyBag& bag) override {
        setProperty("Caption", bag.read(QStringLiteral("Caption"), QStringLiteral("none")));
        setProperty("Count", bag.read(QStringLiteral("Count"), std::int16_t{0}));
    }
    void writeProperties(PropertyBag& bag) const override {
        bag.write(QStringLiteral("Caption"), property("Caption").toString(), QStringLiteral("none"));
        bag.write(QStringLiteral("Count"), static_cast<std::int16_t>(property("Count").toInt()),
                  std::int16_t{0});
    }

private:
    void setCaption(const QString& c) {
        setProperty("Caption", c);
        notifyChanged(QStringLiteral("Caption"));
    }
};

Control* createTestControl(QWidget* parent) {
    return new TestControl(parent);
}

const ServerClass kClasses[] = {
    {"{0E9C52A1-7A33-4F0B-9B7E-2D1C4A5B6C70}", "Deckmora.TestControl", "Host test control",
     &createTestControl},
};

} // namespace

DECKMORA_CONTROL_SERVER(kClasses)
