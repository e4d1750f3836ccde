#pragma once

#include <QString>

#include "playlistformat.h"

namespace player {

// Where a save goes and in which format, from the name the save dialog returned and the filter chosen in it.
struct SaveTarget {
    QString path;
    const PlaylistFormat* format = nullptr; // nullptr: our own .mdp
    // Another program's playlist is there already: it is replaced only on the user's word. (An .mdp file is
    // replaced without asking, as it always was.)
    bool asksToReplace = false;
};

// A typed extension of ours decides the format; else the filter chosen does (our own for the first or an
// unknown one), and its extension is added to a name without one, so Open lists what Save wrote (our own only
// to a name that is not there yet: an existing file picked in the dialog is written as it is).
SaveTarget saveTarget(const QString& chosen, int filterIndex);

} // namespace player
