#pragma once

#include <QString>

#include "media/decoder.h"
#include "media/decodersupport.h"

namespace platform::media {

// WAV and the other containers through libsndfile. `claimedContainer`: the file's first bytes named a
// container, so a file libsndfile cannot read is damaged rather than of an unknown kind. MP3 is refused:
// libsndfile's own MP3 path trusts a length estimate.
OpenResult openWithSndfile(FileDescriptor fd, const QString& path, bool claimedContainer);

} // namespace platform::media
