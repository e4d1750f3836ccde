// The demo host of the control libraries. With --screenshot <file> it saves a picture of its window and ends.
#include <QApplication>
#include <QTimer>

#include "demowindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DemoWindow window;
    window.resize(760, 520);
    window.show();
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--screenshot"));
    if (at >= 0 && at + 1 < args.size()) {
        const QString file = args.at(at + 1);
        QTimer::singleShot(300, &window, [&window, file] {
            window.grab().save(file);
            QApplication::quit();
        });
    }
    return app.exec();
}
