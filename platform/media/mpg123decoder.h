#pragma once

#include <QString>

#include "media/decoder.h"
#include "media/decodersupport.h"

namespace platform::media {

// MP3 through libmpg123 directly: float output, gapless, resync without limit, and an exact length and seek
// index from a scan that runs on a handle of its own. `scanFd` is a second descriptor of the same file.
OpenResult openWithMpg123(FileDescriptor fd, FileDescriptor scanFd, const QString& path);

} // namespace platform::media
