// Test support for the rotation kernels: an independent oracle written from
// the displayed pixel mapping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "guarded_bytes.h"
#include "rotflip/rotflip_frames.h"

namespace rotflip_test {

using orv_filter::RotFlipFrames;

// A frame size in pixels.
struct Size {
  LONG w, h;
};

// Where displayed source pixel (x, y) of a w x h frame lands, as displayed,
// for case index 0..15: a clockwise turn, then the mirrors.
struct Point {
  LONG x, y;
};
Point displayedTarget(unsigned index, LONG w, LONG h, LONG x, LONG y);

bool isQuarterTurn(unsigned index);

// The destination bytes the oracle expects, in memory order.
std::vector<BYTE> expectedFrame(unsigned index, const BYTE* src, LONG w, LONG h, unsigned bytesPerPixel,
                                bool storedTopDown);

using orv_test::fillRandom;
using orv_test::GuardedBytes;

// A frame pair for case `index` with the destination sides the filter's
// output-type rule gives.
RotFlipFrames framesFor(unsigned index, const BYTE* src, BYTE* dst, LONG w, LONG h, unsigned bytesPerPixel,
                        bool storedTopDown);

}  // namespace rotflip_test
