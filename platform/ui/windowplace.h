#pragma once

#include <QString>

class QWidget;

// How top-level windows sit on the desktop.
namespace platform {

// A window that is hidden and shown again comes back where it was. Without this a window manager places a
// re-shown window anew, since the program never asked for a place of its own (the user moved it).
void keepPlace(QWidget* window);

// The width a window needs so that a window manager's title bar shows `title` whole: the title in a bold
// title font plus the room the bar's icon and buttons take.
int titleBarWidth(const QString& title);

} // namespace platform
