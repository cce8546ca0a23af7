// Blocked transposition through a tile that stays in the level-1 cache.
//
// A column walk over a frame whose row pitch is a power of two maps every
// row to the same few cache sets, so writing the destination straight from
// registers evicts lines before they are complete. Each block is therefore
// transposed into a small contiguous tile first, and the tile's rows are then
// copied out as whole destination row segments: each destination line is
// written in one go, and each source line is consumed by neighbouring
// micro-kernel calls.
//
// This header is included by one translation unit per instruction set.
// Everything in it sits in an unnamed namespace so that each unit keeps its
// own copy: the linker must never fold a copy compiled with -mavx2 into the
// baseline path.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/wintypes.h"

namespace orv_filter::rotflip_detail {
namespace {

inline LONG smaller(LONG a, LONG b) { return a < b ? a : b; }

// Plain transposition of a rows x cols corner of a block into the tile.
template <unsigned B>
inline void transposePixels(const BYTE* src, std::ptrdiff_t srcStride, BYTE* tile, std::ptrdiff_t tileStride,
                            LONG rows, LONG cols) {
  for (LONG r = 0; r < rows; ++r) {
    const BYTE* s = src + r * srcStride;
    BYTE* t = tile + std::ptrdiff_t{r} * B;
    for (LONG c = 0; c < cols; ++c) std::memcpy(t + c * tileStride, s + std::ptrdiff_t{c} * B, B);
  }
}

// Asks for the next block's source lines while the current one is worked on:
// the rows of a band are many separate streams, more than the hardware
// prefetcher follows.
inline void prefetchRows(const BYTE* first, std::ptrdiff_t stride, LONG rows, std::ptrdiff_t bytes) {
  for (LONG r = 0; r < rows; ++r) {
    const BYTE* p = first + r * stride;
    for (std::ptrdiff_t off = 0; off < bytes; off += 64) __builtin_prefetch(p + off, 0, 3);
    __builtin_prefetch(p + bytes - 1, 0, 3);
  }
}

// Micro supplies:
//   kBytes                  bytes per pixel
//   kRows, kCols            pixels of source one run() call transposes
//   kBlockRows, kBlockCols  source pixels per block (multiples of the above)
//   run(src, srcStride, tile)  with the tile's row stride kBlockRows * kBytes
template <class Micro>
void transposeTiled(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                    LONG height) {
  constexpr std::ptrdiff_t kB = Micro::kBytes;
  constexpr LONG kBlockRows = Micro::kBlockRows;
  constexpr LONG kBlockCols = Micro::kBlockCols;
  constexpr std::ptrdiff_t kTileStride = kBlockRows * kB;
  static_assert(kBlockRows % Micro::kRows == 0 && kBlockCols % Micro::kCols == 0);
  alignas(64) BYTE tile[kBlockCols * kTileStride];

  for (LONG r0 = 0; r0 < height; r0 += kBlockRows) {
    const LONG rows = smaller(kBlockRows, height - r0);
    const LONG fullRows = rows - rows % Micro::kRows;
    const BYTE* band = src + r0 * srcStride;
    for (LONG c0 = 0; c0 < width; c0 += kBlockCols) {
      const LONG cols = smaller(kBlockCols, width - c0);
      const LONG fullCols = cols - cols % Micro::kCols;
      const BYTE* block = band + c0 * kB;
      if (cols == kBlockCols && c0 + kBlockCols < width) {
        prefetchRows(block + kBlockCols * kB, srcStride, rows, smaller(kBlockCols, width - c0 - kBlockCols) * kB);
      }

      for (LONG r = 0; r < fullRows; r += Micro::kRows) {
        for (LONG c = 0; c < fullCols; c += Micro::kCols) {
          Micro::run(block + r * srcStride + c * kB, srcStride, tile + c * kTileStride + r * kB);
        }
      }
      // Right strip over all rows, then the bottom strip left of it.
      transposePixels<Micro::kBytes>(block + fullCols * kB, srcStride, tile + fullCols * kTileStride, kTileStride,
                                     rows, cols - fullCols);
      transposePixels<Micro::kBytes>(block + fullRows * srcStride, srcStride, tile + fullRows * kB, kTileStride,
                                     rows - fullRows, fullCols);

      BYTE* out = dst + c0 * dstStride + r0 * kB;
      if (rows == kBlockRows) {
        for (LONG c = 0; c < cols; ++c) std::memcpy(out + c * dstStride, tile + c * kTileStride, kTileStride);
      } else {
        for (LONG c = 0; c < cols; ++c) std::memcpy(out + c * dstStride, tile + c * kTileStride, rows * kB);
      }
    }
  }
}

}  // namespace
}  // namespace orv_filter::rotflip_detail
