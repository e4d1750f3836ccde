#pragma once

#include <QLabel>
#include <QWidget>

namespace player {

// Shown while the playlist editor is filled.
class WaitWindow : public QWidget {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget* parent = nullptr);
    QLabel* Label1;
};

} // namespace player
