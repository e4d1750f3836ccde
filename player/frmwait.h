#pragma once

#include <QLabel>
#include <QWidget>

// Shown while the playlist editor is filled.
class frmwait : public QWidget {
    Q_OBJECT
public:
    explicit frmwait(QWidget* parent = nullptr);
    QLabel* Label1;
};
