// Raw Bayer frames: the four start patterns and sampling a colour picture
// through a colour filter array.
#pragma once

#include <cstdint>
#include <string>

#include "image.h"

namespace filterhost {

// Start patterns 0 RG, 1 GB, 2 GR, 3 BG, named by the colour at column 0 of
// memory row 1 and then of memory row 0: GR is a frame whose memory row 0
// begins R G R G and whose row 1 begins G B G B.
struct BayerLayout {
  int redRowParity;     // rows of this parity hold red and green samples
  int redColumnParity;  // red sits in these columns of red rows, blue in the others of blue rows
};
BayerLayout bayerLayout(int pattern);
const char* patternName(int pattern);
// "RG", "GB", "GR", "BG" (any case) or "0" to "3".
bool parsePattern(const std::string& text, int& pattern);

// The colour channel (0 red, 1 green, 2 blue) a sensor with `pattern` samples
// at memory row `y`, column `x`.
int bayerChannel(int pattern, int x, int y);

// One sample per pixel of an RGB or RGBA picture, memory row 0 being the top
// row of the picture: width × height bytes into `out`.
void mosaic(const Image& picture, int pattern, std::uint8_t* out);
// The same as a grey picture.
Image mosaicImage(const Image& picture, int pattern);

}  // namespace filterhost
