#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;
namespace platform {
class Prompts;
}

namespace glissor {

// The about box of the slider library: title, version, a one-line description and a way to the
// system-information tool. OK is both the default button (Enter) and the cancel button (Esc).
class AboutBox : public QDialog {
    Q_OBJECT
public:
    // `prompts` is the host's seam for the box's own message.
    explicit AboutBox(platform::Prompts& prompts, QWidget* parent = nullptr);

    static QString title();
    static QString versionText();
    static QImage icon();

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* Label1;
    QFrame* Line1;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    void Form_Load();
    platform::Prompts& m_prompts;
};

} // namespace glissor
