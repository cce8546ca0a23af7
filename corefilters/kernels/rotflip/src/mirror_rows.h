// Row mirrors: each destination row is its source row with the pixels in
// reverse order. The source row is read from its end in groups of whole
// pixels; a width that is not a whole number of groups ends with one group
// that overlaps the previous one (rewriting the same bytes), so no group
// reads or writes outside its row. Rows narrower than a group go to the
// plain C++ kernel.
//
// Included by one translation unit per instruction set; the unnamed
// namespace keeps each unit's copy to itself (see transpose_tiles.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/wintypes.h"

namespace orv_filter::rotflip_detail {
namespace {

// Group(src, dst) reverses kGroupPixels pixels. While a row is mirrored, a
// row at least kMirrorLeadBytes further on is fetched alongside it: each row
// is read backwards, a pattern the hardware prefetcher picks up late at
// every row start. For 2048-byte rows from memory the next row is too short
// a lead (a twentieth slower than two rows ahead); for rows of 6 or 8 KB,
// two rows ahead lose as much in the caches.
constexpr std::ptrdiff_t kMirrorLeadBytes = 4096;

template <unsigned B, std::ptrdiff_t kGroupPixels, class Group>
inline void mirrorRowsInGroups(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows, Group group,
                               void (*narrow)(const BYTE*, BYTE*, std::ptrdiff_t)) {
  constexpr std::ptrdiff_t kGroupBytes = kGroupPixels * B;
  const std::ptrdiff_t leadRows = width < 1 ? 1 : (kMirrorLeadBytes + width * B - 1) / (width * B);
  for (LONG r = 0; r < rows; ++r) {
    const BYTE* s = src + r * srcStride;
    BYTE* d = dst + r * dstStride;
    if (width < kGroupPixels) {
      narrow(s, d, width);
      continue;
    }
    const std::ptrdiff_t ahead = r + leadRows < rows ? leadRows * srcStride : 0;
    const BYTE* g = s + width * B;
    std::ptrdiff_t x = 0;
    for (; x + kGroupPixels <= width; x += kGroupPixels) {
      g -= kGroupBytes;
      for (std::ptrdiff_t line = 0; line < kGroupBytes; line += 64) __builtin_prefetch(g + ahead + line, 0, 3);
      group(g, d + x * B);
    }
    if (x < width) group(s, d + (width - kGroupPixels) * B);
  }
}

// The same for frames too large to stay in the caches: groups are written
// with non-temporal stores, which need no read of the destination lines
// first and leave the caches alone. They are only fast by whole cache lines,
// so each row starts with the narrow kernel up to the first line boundary
// and ends with it after the last whole group, and groups are whole lines;
// a row whose line boundary whole pixels can never reach is mirrored the
// ordinary way. StreamGroup(src, dst) reverses kStreamPixels pixels into a
// line-aligned dst; Group reverses kGroupPixels as in mirrorRowsInGroups.
//
// Rows are visited so that source addresses fall: each row is read
// backwards, so the source is then one descending stream, which the
// hardware prefetcher follows from row to row instead of losing it at every
// row start. (Frames that stay in the caches are faster in plain row order.)
template <unsigned B, std::ptrdiff_t kGroupPixels, std::ptrdiff_t kStreamPixels, class Group, class StreamGroup>
inline void mirrorRowsStreaming(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                                std::ptrdiff_t width, LONG rows, Group group, StreamGroup streamGroup,
                                void (*narrow)(const BYTE*, BYTE*, std::ptrdiff_t)) {
  constexpr std::ptrdiff_t kAlign = 64;
  static_assert(kStreamPixels * B % kAlign == 0);
  const bool lastRowFirst = srcStride > 0;
  const std::ptrdiff_t walk = lastRowFirst ? -srcStride : srcStride;  // source bytes from one visited row to the next
  for (LONG i = 0; i < rows; ++i) {
    const LONG r = lastRowFirst ? rows - 1 - i : i;
    const BYTE* s = src + r * srcStride;
    BYTE* d = dst + r * dstStride;
    const std::ptrdiff_t misalign = static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(d) % kAlign);
    std::ptrdiff_t head = 0;
    while (head < kAlign && (misalign + head * B) % kAlign != 0) ++head;
    if (head == kAlign || width - head < kStreamPixels) {
      mirrorRowsInGroups<B, kGroupPixels>(s, 0, d, 0, width, 1, group, narrow);
      continue;
    }
    // Memory is further away than the caches: two rows ahead.
    const std::ptrdiff_t ahead = i + 2 < rows ? 2 * walk : 0;
    narrow(s + (width - head) * B, d, head);
    std::ptrdiff_t x = head;
    for (; x + kStreamPixels <= width; x += kStreamPixels) {
      const BYTE* g = s + (width - x - kStreamPixels) * B;
      for (std::ptrdiff_t line = 0; line < kStreamPixels * B; line += 64) __builtin_prefetch(g + ahead + line, 0, 3);
      streamGroup(g, d + x * B);
    }
    narrow(s, d + x * B, width - x);
  }
}

}  // namespace
}  // namespace orv_filter::rotflip_detail
