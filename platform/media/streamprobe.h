#pragma once

#include <cstdint>

#include "media/decoder.h"

namespace platform::media {

// One MPEG audio frame header, as the stream probe and the MP3 decoder's chain check read it.
struct FrameHeader {
    int version = 0; // 1, 2 or 25 (MPEG 2.5)
    int layer = 0;
    int rate = 0;
    int length = 0; // bytes, header included
};

// False when the four bytes at `h` are not a frame header.
bool parseHeader(const unsigned char* h, FrameHeader& f);

} // namespace platform::media
