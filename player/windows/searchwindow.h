#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

namespace player {

// The search window. "Search" hides it and searches the main window's display names; the main window's
// `lblsearch` reads "Cancel search" while the search runs and is the search's cancel flag. After a match the
// window stays loaded but hidden, keeping its text; otherwise it unloads.
class SearchWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kCancelSearch = QStringLiteral("Cancel search");

    SearchWindow(QListWidget* lstnames, QLabel* lblsearch, QWidget* parent = nullptr);

    QGroupBox* Frame1;
    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command2;

    void Command1_Click();
    void Command2_Click();

    // Closes and destroys the window; the next use builds a new one with an empty text.
    void unload();
    bool isUnloaded() const { return m_unloaded; }
    bool isSearching() const { return m_searching; }

protected:
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QListWidget* m_lstnames;
    QLabel* m_lblsearch;
    bool m_unloaded = false;
    bool m_searching = false;
};

} // namespace player
