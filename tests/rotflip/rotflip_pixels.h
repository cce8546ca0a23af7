// The generic per-pixel kernel: the oracle every kernel set of the library,
// the scalar one included, must match byte for byte. It walks the source in
// memory order and writes each pixel where its case sends it, which is too
// slow for frames but plain enough to check by reading.
#pragma once

#include <cstddef>
#include <cstring>

#include "rotflip/rotflip_frames.h"

namespace orv_filter {

// Walks the source strictly in memory order and sends each pixel to its
// destination memory cell. StorageAngle is the turn as seen in memory
// coordinates: 360 - angle for frames stored top-down and the angle itself
// for frames stored bottom-up (0 and 360 both mean "no turn"), so the 270
// cases reuse the 90 instances with the storage direction exchanged. The row
// pitch comes from the source sides, the mirrors use the destination sides.
// Nothing is checked: the caller guarantees the size rule of the case.
template <unsigned B, int StorageAngle, bool FlipV, bool FlipH>
void rotFlipPixels(const RotFlipFrames& frames) {
  static_assert(B >= 1 && B <= 4, "pixels are 1 to 4 bytes");
  static_assert(StorageAngle % 90 == 0 && StorageAngle >= 0 && StorageAngle <= 360, "quarter turns only");
  const std::size_t w = static_cast<std::size_t>(frames.width);
  const std::size_t h = static_cast<std::size_t>(frames.height);
  const std::size_t destW = static_cast<std::size_t>(frames.destWidth);
  const std::size_t destH = static_cast<std::size_t>(frames.destHeight);
  const BYTE* s = frames.src;
  for (std::size_t r = 0; r < h; ++r) {
    for (std::size_t c = 0; c < w; ++c, s += B) {
      std::size_t dc = c, dr = r, pitch = w;
      if constexpr (StorageAngle == 90) {
        dc = r, dr = w - 1 - c, pitch = h;
      } else if constexpr (StorageAngle == 180) {
        dc = w - 1 - c, dr = h - 1 - r, pitch = w;
      } else if constexpr (StorageAngle == 270) {
        dc = h - 1 - r, dr = c, pitch = h;
      }
      if constexpr (FlipV) dr = destH - 1 - dr;
      if constexpr (FlipH) dc = destW - 1 - dc;
      std::memcpy(frames.dst + (dr * pitch + dc) * B, s, B);
    }
  }
}

// Runs the generic kernel instance that case `index` (1..15) uses for the
// frame's pixel size and storage direction. Returns false, writing nothing,
// for an index or pixel size without an instance. Checks no sizes.
bool rotFlipReference(unsigned index, const RotFlipFrames& frames);

}  // namespace orv_filter
