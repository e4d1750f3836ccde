// What the idle main window's sight costs done the ordinary Qt way: two opaque one-line labels moved
// 50 twips (about 3 pixels) to the left 30 times a second inside two frames, with nothing else. With
// "--still" the timer ticks and nothing moves: the cost of the wake-ups alone. idle_cpu.sh measures both
// beside Deckmora, as its baseline:
//   build/bin/player_scroll_floor [--still]
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <array>

#include "windows/ticks.h"

using namespace player;

namespace {

class Label : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(64, 64, 64));
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool still = argc > 1 && qstrcmp(argv[1], "--still") == 0;
    QWidget window;
    window.resize(530, 340);
    std::array<Label*, 2> labels{};
    for (int d = 0; d < 2; ++d) {
        auto* frame = new QWidget(&window);
        frame->setGeometry(38 + d * 300, 53, 153, 17);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::Window, QColor(64, 64, 64));
        frame->setPalette(pal);
        frame->setAutoFillBackground(true);
        labels[d] = new Label(QStringLiteral("No song loaded"), frame);
        labels[d]->setAttribute(Qt::WA_OpaquePaintEvent);
        labels[d]->setGeometry(3, 3, 100, 13);
    }
    window.show();
    int left = 45; // twips, as the captions count
    QTimer timer;
    timer.setInterval(kTickIntervalMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (still)
            return;
        left = left < -1500 ? 2500 : left - 50;
        for (Label* l : labels)
            l->move(left / 15, 3);
    });
    timer.start();
    return app.exec();
}
