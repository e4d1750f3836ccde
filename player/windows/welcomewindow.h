#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace player {

// The first-run window: counts the run at load and welcomes a first-time user, who goes on with "Continue".
class WelcomeWindow : public QWidget {
    Q_OBJECT
public:
    // `showSplash` shows the splash window (created on first use).
    explicit WelcomeWindow(std::function<void()> showSplash, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr;

    void Form_Load();
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    std::function<void()> m_showSplash;
};

} // namespace player
