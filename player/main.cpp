#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel w(QStringLiteral("Deckmora"));
    w.resize(533, 400);
    w.show();
    return app.exec();
}
