#pragma once

#include <QListWidget>
#include <QString>
#include <chrono>
#include <functional>

namespace player {

// Whether a display name holds the search text anywhere, letter case significant.
bool nameMatches(QStringView name, QStringView text);

// The song search over the display names: it starts one entry after the selection, runs to the end, wraps
// once from entry 0 and selects as it goes. It yields to the event loop once per time slice, not per entry,
// so a click on the cancel label is seen within a slice while the list is searched at nearly the speed of a
// bare loop; the user sees the selection move at every yield, and the end state is what an entry-by-entry
// walk would leave.
class SongSearch {
public:
    enum class Result { Found, NotFound, Cancelled };
    struct Hooks {
        std::function<bool()> cancelled; // reads the cancel flag
        std::function<void()> yield;     // lets the user interface process pending events
    };

    static constexpr std::chrono::milliseconds kSlice{4};

    SongSearch(QListWidget* names, Hooks hooks, std::chrono::nanoseconds slice = kSlice);

    // `text` is not empty. Found leaves the match selected; NotFound the last entry; Cancelled the entry last
    // tested.
    Result run(const QString& text);

private:
    // One pass from `from` to the end; true when the pass found a match, with `m_result` set when it ended
    // early.
    bool pass(int from, const QString& text);
    void select(int i);

    QListWidget* m_names;
    Hooks m_hooks;
    std::chrono::nanoseconds m_slice;
    Result m_result = Result::NotFound;
};

} // namespace player
