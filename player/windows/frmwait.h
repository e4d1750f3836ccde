#pragma once

#include <QLabel>
#include <QWidget>

namespace player {

// Shown while the playlist editor is filled.
class frmwait : public QWidget {
    Q_OBJECT
public:
    explicit frmwait(QWidget* parent = nullptr);
    QLabel* Label1;
};

} // namespace player
