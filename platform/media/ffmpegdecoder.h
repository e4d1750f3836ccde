#pragma once

#include <QString>

#include "media/decoder.h"
#include "media/decodersupport.h"

namespace platform::media {

// AAC and ALAC in MP4, WMA, raw AAC and the other containers FFmpeg knows, read through libavformat and
// libavcodec from our own descriptor, a packet at a time. FFmpeg is shown the content only, never the name.
// `claimedContainer`: the file's first bytes named a container, so a file that cannot be read is damaged
// rather than of an unknown kind. `fd` is taken over only when a decoder comes back. MP3 is refused here as
// in libsndfile: it goes through libmpg123 or not at all. `probeFrom`: where the content starts after the
// tags in front of it.
OpenResult openWithFfmpeg(FileDescriptor& fd, const QString& path, bool claimedContainer,
                          int64_t probeFrom = 0);

} // namespace platform::media
