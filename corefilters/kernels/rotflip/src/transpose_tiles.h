// Blocked transposition: the source is walked in bands of block rows, each
// band block by block, and every block is transposed by a micro-kernel.
//
// Where the destination goes depends on its row pitch. Writing a block
// straight into the destination touches one line in each of kBlockCols
// destination rows; when the pitch is a multiple of a large power of two
// those lines all fall into the same few level-1 cache sets and evict each
// other before they are complete. For such pitches the block is transposed
// into a small contiguous tile first and the tile's rows are then copied out
// as whole row segments, each written in one go; taller blocks make those
// segments longer. Other pitches take the direct route, which saves the copy.
//
// This header is included by one translation unit per instruction set.
// Everything in it sits in an unnamed namespace so that each unit keeps its
// own copy: the linker must never fold a copy compiled with -mavx2 into the
// baseline path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/wintypes.h"
#include "rotflip_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

inline LONG smaller(LONG a, LONG b) { return a < b ? a : b; }

// True when 64 successive rows of this pitch spread over at least 16 of the
// 64 sets of a 32 KiB, 8-way level-1 cache, so 64 lines fit twice over.
inline bool rowsSpreadOverCache(std::ptrdiff_t pitch) {
  const std::ptrdiff_t bytes = pitch < 0 ? -pitch : pitch;
  if (bytes % 64 != 0) return true;  // successive rows drift across the sets
  std::ptrdiff_t lines = bytes / 64, sharedFactor = 1;
  while (lines % 2 == 0 && sharedFactor < 64) lines /= 2, sharedFactor *= 2;
  return sharedFactor <= 4;
}

// Plain transposition of a rows x cols part of a block.
template <unsigned B>
inline void transposePixels(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride, LONG rows,
                            LONG cols) {
  for (LONG r = 0; r < rows; ++r) {
    const BYTE* s = src + r * srcStride;
    BYTE* o = out + std::ptrdiff_t{r} * B;
    for (LONG c = 0; c < cols; ++c) std::memcpy(o + c * outStride, s + std::ptrdiff_t{c} * B, B);
  }
}

// Asks for the lines of `rows` segments of `bytes` bytes, `stride` apart,
// each line once however a segment lies across lines; kForWrite asks with
// intent to write. While a block is worked on, the next block's lines are
// asked for: its source rows are many separate streams, more than the
// hardware prefetcher follows, and its stores touch one segment in each of
// many destination rows, a pattern no prefetcher follows, so each line they
// must first read would otherwise be a full miss. The lines go to the
// level-2 cache, where the rows of a power-of-two pitch do not evict each
// other. Forced inline: as a separate function GCC judges it free of side
// effects and drops the call.
template <bool kForWrite>
[[gnu::always_inline]] inline void prefetchRows(const BYTE* first, std::ptrdiff_t stride, LONG rows,
                                                std::ptrdiff_t bytes) {
  for (LONG r = 0; r < rows; ++r) {
    const auto begin = reinterpret_cast<std::uintptr_t>(first + r * stride);
    for (std::uintptr_t line = begin & ~std::uintptr_t{63}; line < begin + bytes; line += 64) {
      __builtin_prefetch(reinterpret_cast<const void*>(line), kForWrite ? 1 : 0, 2);
    }
  }
}

// Micro supplies:
//   kBytes           bytes per pixel
//   kRows, kCols     source pixels one run() call transposes
//   kTileOnly        run() may write a few bytes past a pixel (tile only)
//   kTilePad         bytes of slack after each tile row for such writes
//   kCanStream       streamRow() and fence() exist
//   run(src, srcStride, out, outStride)
//   copyRow<Bytes>(dst, tile)     copies one tile row of Bytes bytes
//   streamRow<Bytes>(dst, tile)   the same with non-temporal stores into a
//                                 line-aligned dst; fence() orders them
//
// Bands are kBlockRows source rows, except a first band of firstBandRows
// rows when that is not 0 (it lines the later bands' destination segments
// up with cache lines). kStream copies the tile rows of whole blocks out
// with streamRow().
template <class Micro, LONG kBlockRows, LONG kBlockCols, bool kThroughTile, bool kStream = false>
void transposeBlocks(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                     LONG height, LONG firstBandRows = 0) {
  static_assert(kThroughTile || !kStream);
  static_assert(kBlockRows % Micro::kRows == 0 && kBlockCols % Micro::kCols == 0);
  static_assert(kThroughTile || !Micro::kTileOnly);
  constexpr std::ptrdiff_t kB = Micro::kBytes;
  constexpr std::ptrdiff_t kRowBytes = kBlockRows * kB;
  constexpr std::ptrdiff_t kTileStride = kRowBytes + Micro::kTilePad;
  alignas(64) BYTE tile[kThroughTile ? kBlockCols * kTileStride : 1];

  LONG rows = 0;
  for (LONG r0 = 0; r0 < height; r0 += rows) {
    rows = smaller(r0 == 0 && firstBandRows > 0 ? firstBandRows : kBlockRows, height - r0);
    const BYTE* band = src + r0 * srcStride;
    for (LONG c0 = 0; c0 < width; c0 += kBlockCols) {
      const LONG cols = smaller(kBlockCols, width - c0);
      const BYTE* block = band + c0 * kB;
      BYTE* out = dst + c0 * dstStride + r0 * kB;
      BYTE* target = kThroughTile ? tile : out;
      const std::ptrdiff_t targetStride = kThroughTile ? kTileStride : dstStride;
      if (c0 + kBlockCols < width) {
        const LONG nextCols = smaller(kBlockCols, width - c0 - kBlockCols);
        prefetchRows<false>(block + kBlockCols * kB, srcStride, rows, nextCols * kB);
        // Only for direct blocks whose segments are whole lines or more:
        // shorter ones share their lines with the neighbouring band's blocks,
        // and asking for them again cost 3- and 4-byte turns up to a third in
        // the caches. The tile route writes ordinarily only below the
        // streaming size, where frames stay in the caches.
        if constexpr (!kThroughTile && kRowBytes >= 64) {
          prefetchRows<true>(out + kBlockCols * dstStride, dstStride, nextCols, rows * kB);
        }
      }

      if (rows == kBlockRows && cols == kBlockCols) {
        for (LONG r = 0; r < kBlockRows; r += Micro::kRows) {
          for (LONG c = 0; c < kBlockCols; c += Micro::kCols) {
            Micro::run(block + r * srcStride + c * kB, srcStride, target + c * targetStride + r * kB, targetStride);
          }
        }
        if constexpr (kThroughTile) {
          for (LONG c = 0; c < kBlockCols; ++c) {
            if constexpr (kStream) {
              Micro::template streamRow<kRowBytes>(out + c * dstStride, tile + c * kTileStride);
            } else {
              Micro::template copyRow<kRowBytes>(out + c * dstStride, tile + c * kTileStride);
            }
          }
        }
        continue;
      }

      // A block at the right or bottom edge: whole micro tiles, then the
      // right strip over all rows and the bottom strip left of it.
      const LONG fullRows = rows - rows % Micro::kRows;
      const LONG fullCols = cols - cols % Micro::kCols;
      for (LONG r = 0; r < fullRows; r += Micro::kRows) {
        for (LONG c = 0; c < fullCols; c += Micro::kCols) {
          Micro::run(block + r * srcStride + c * kB, srcStride, target + c * targetStride + r * kB, targetStride);
        }
      }
      transposePixels<Micro::kBytes>(block + fullCols * kB, srcStride, target + fullCols * targetStride, targetStride,
                                     rows, cols - fullCols);
      transposePixels<Micro::kBytes>(block + fullRows * srcStride, srcStride, target + fullRows * kB, targetStride,
                                     rows - fullRows, fullCols);
      if constexpr (kThroughTile) {
        for (LONG c = 0; c < cols; ++c) std::memcpy(out + c * dstStride, tile + c * kTileStride, rows * kB);
      }
    }
  }
}

// For a destination too large for the caches, written through the tile with
// non-temporal stores: the rows of the first band that line every later
// band's destination segments up with cache lines, or -1 when the pitch or
// the pixel size makes that impossible.
template <std::ptrdiff_t kB>
inline LONG streamingFirstBand(const BYTE* dst, std::ptrdiff_t dstStride) {
  if (dstStride % 64 != 0) return -1;
  const std::ptrdiff_t misalign = static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(dst) % 64);
  for (LONG rows = 0; rows < 64; ++rows) {
    if ((misalign + rows * kB) % 64 == 0) return rows;
  }
  return -1;
}

// Streamed frames go through the tile with non-temporal stores where the
// micro-kernel can; otherwise direct blocks where the destination pitch (and
// the micro-kernel) allows, tall blocks through the tile where it does not.
template <class Micro, LONG kDirectRows, LONG kDirectCols, LONG kTileRows, LONG kTileCols>
void transposePlane(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                    LONG height, bool streamed) {
  if constexpr (Micro::kCanStream) {
    const LONG firstBand = streamed ? streamingFirstBand<Micro::kBytes>(dst, dstStride) : -1;
    if (firstBand >= 0) {
      transposeBlocks<Micro, kTileRows, kTileCols, true, true>(src, srcStride, dst, dstStride, width, height,
                                                               firstBand);
      Micro::fence();
      return;
    }
  }
  if constexpr (!Micro::kTileOnly) {
    if (rowsSpreadOverCache(dstStride)) {
      transposeBlocks<Micro, kDirectRows, kDirectCols, false>(src, srcStride, dst, dstStride, width, height);
      return;
    }
  }
  transposeBlocks<Micro, kTileRows, kTileCols, true>(src, srcStride, dst, dstStride, width, height);
}

}  // namespace
}  // namespace orv_filter::rotflip_detail
