#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "console/songsearch.h"

namespace player {

// The search window. "Search" hides it and searches the main window's display names; the main window's
// `lblsearch` reads "Cancel search" while the search runs, and `state` says whether one runs and holds its
// cancel flag (the window's own when none is given). After a match the window stays loaded but hidden,
// keeping its text; otherwise it unloads.
class SearchWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kCancelSearch = QStringLiteral("Cancel search");

    SearchWindow(QListWidget* lstnames, QLabel* lblsearch, QWidget* parent = nullptr,
                 std::shared_ptr<SearchState> state = nullptr);
    SearchState& state() const { return *m_state; }

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
    // Shared: a running search reads it even when the window goes meanwhile.
    std::shared_ptr<SearchState> m_state;
    bool m_unloaded = false;
    bool m_searching = false;
};

} // namespace player
