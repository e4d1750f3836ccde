#include "waitwindow.h"

#include "core/twips.h"

namespace player {

WaitWindow::WaitWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmwait")); // the name the program's behaviour knows this window by
    setWindowTitle(QStringLiteral("Deckmora"));
    setFixedSize(platform::toPixels({0, 0, 4215, 735}).size());
    Label1 = new QLabel(QStringLiteral("One moment, loading playlist to editor"), this);
    Label1->setGeometry(platform::toPixels({120, 240, 3975, 255}));
    Label1->setAlignment(Qt::AlignCenter);
}

} // namespace player
