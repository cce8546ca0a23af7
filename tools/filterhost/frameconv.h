// Between pictures and the frames filters exchange: subtype, bytes per pixel
// and the storage direction of rows.
#pragma once

#include <string>
#include <vector>

#include "frametype.h"
#include "image.h"

namespace filterhost {

using Pixlib::FrameTypeInfo;

// The subtypes a picture can be offered as, best first: grey pictures as raw
// Bayer or greyscale frames, colour ones as 24- or 32-bit RGB.
std::vector<GUID> subtypesFor(const Image& image);

// The frame type of `image` as `subtype`: its width, a positive height, the
// packed buffer size.
FrameTypeInfo frameTypeFor(const Image& image, const GUID& subtype);

// Writes `image` into a frame of `type` (made by frameTypeFor from one of its
// subtypesFor): RGB pixels as blue, green, red (and alpha, or 255), rows in
// the order the type stores them.
void imageToFrame(const Image& image, const FrameTypeInfo& type, BYTE* frame);

// The picture a frame shows, upright: 8-bit frames as grey, 24- and 32-bit
// RGB frames as RGB (the fourth byte is not alpha and is dropped). A frame
// whose buffer size is short of its pixels is refused, not read.
bool frameToImage(const FrameTypeInfo& type, const BYTE* frame, Image& image, std::string& error);

}  // namespace filterhost
