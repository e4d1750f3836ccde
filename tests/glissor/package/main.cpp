// Uses the installed library as a host that links it would: a control, a property, and a typed error.
#include <QApplication>
#include <component/controlerror.h>
#include <glissor/glissor.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Glissor g;
    g.setValue(3);
    if (g.valueText() != QLatin1String("3"))
        return 1;
    try {
        g.setMaxValue(0);
    } catch (const platform::component::ControlError& e) {
        return e.kind() == platform::component::ErrorKind::DivisionByZero ? 0 : 2;
    }
    return 3;
}
