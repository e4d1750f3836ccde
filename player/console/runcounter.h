#pragma once

#include <QString>

namespace player {

// The run counter: how many times the program has started, kept as decimal text in the settings store.
namespace runcounter {

struct Step {
    bool firstRun = false; // show the welcome window
    QString stored;        // the text to store for this run
};

// The step from what the store holds: nothing, text that does not read as a number, or a number so large that
// adding 1 no longer counts all start over at "1" with the welcome window; otherwise the number plus 1,
// rounded to a whole number.
Step next(const QString& stored);

QString appName();
inline constexpr auto kSection = "Runnings";
inline constexpr auto kKey = "Now";

QString read();
void write(const QString& value);

} // namespace runcounter

} // namespace player
