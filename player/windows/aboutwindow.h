#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace platform {
class ProgressBar;
}

namespace player {

// The splash window, which steps its loading bar at a random pace and then shows the main window; from then
// on it is the about window. Whatever the user types while it is up lands unseen in Text1: the debug word.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    // `showMain` shows the main window (created on first use) when loading is over.
    explicit AboutWindow(std::function<void()> showMain, QWidget* parent = nullptr);

    bool debugWordOn() const;
    bool aboutMode() const { return m_aboutMode; }

    QLineEdit* Text1 = nullptr;
    QTimer* Timer1 = nullptr; // steps the loading bar
    QTimer* Timer2 = nullptr; // draws Timer1's next interval
    platform::ProgressBar* PB = nullptr;
    QPushButton* CmdOk = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblLoad = nullptr;
    QLabel* lblCredits = nullptr;

    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void CmdOk_Click();

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent* e) override;

private:
    std::function<void()> m_showMain;
    QPixmap m_skin;
    bool m_loaded = false;
    bool m_aboutMode = false;
};

} // namespace player
