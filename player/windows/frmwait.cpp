#include "frmwait.h"

#include "core/twips.h"

namespace player {

frmwait::frmwait(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Deckmora"));
    setFixedSize(platform::toPixels({0, 0, 4215, 735}).size());
    Label1 = new QLabel(QStringLiteral("One moment, loading playlist to editor"), this);
    Label1->setGeometry(platform::toPixels({120, 240, 3975, 255}));
    Label1->setAlignment(Qt::AlignCenter);
}

} // namespace player
