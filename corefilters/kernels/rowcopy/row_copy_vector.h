// The vector row copy, written once over the load and store of one
// instruction set (its `Ops`). Internal linkage: the AVX2 unit is compiled
// with -mavx2, and a shared inline copy kept by the linker for the SSE2 unit
// would fault on a processor without AVX2.
#pragma once

#include <immintrin.h>

#include <cstddef>

#include "row_copy.h"

namespace orv_filter {
namespace {

template <class Ops>
struct VectorRowCopy {
  // Bytes of one row per step.
  static constexpr std::size_t kStep = 64;
  // Rows of a source with gaps between them are copied side by side, a step
  // of each in turn: four short streams keep more memory requests in flight
  // than one.
  static constexpr std::size_t kGroup = 4;

  static void step(const BYTE* s, BYTE* d) {
    typename Ops::V v[kStep / Ops::kBytes];
    for (std::size_t i = 0; i < kStep / Ops::kBytes; ++i) v[i] = Ops::load(s + i * Ops::kBytes);
    for (std::size_t i = 0; i < kStep / Ops::kBytes; ++i) Ops::store(d + i * Ops::kBytes, v[i]);
  }

  // Copies `count` rows side by side while asking for the same columns of the
  // `aheadCount` rows that follow them. Those lines go to the second-level
  // cache (hint T2): first-level requests are too few at a time to cover the
  // wait for memory, and the copy's own loads move the lines on later.
  // A row that is not a whole number of steps ends with a step that overlaps
  // the one before it and writes the same bytes again, so nothing outside the
  // rows is read or written.
  static void rowsSideBySide(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch,
                             std::size_t rowBytes, std::size_t count, const BYTE* ahead, std::size_t aheadCount) {
    const std::size_t lastStep = rowBytes - kStep;
    const auto group = static_cast<std::ptrdiff_t>(count), aheadRows = static_cast<std::ptrdiff_t>(aheadCount);
    for (std::size_t x = 0;; x += kStep) {
      if (x > lastStep) x = lastStep;
      for (std::ptrdiff_t k = 0; k < aheadRows; ++k) {
        _mm_prefetch(reinterpret_cast<const char*>(ahead + k * srcPitch + x), _MM_HINT_T2);
      }
      for (std::ptrdiff_t k = 0; k < group; ++k) step(src + k * srcPitch + x, dst + k * dstPitch + x);
      if (x == lastStep) break;
    }
  }

  // One row after another, unaided: for a source without gaps between its
  // rows, one stream the hardware prefetcher follows by itself.
  static void rowsInTurn(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch,
                         std::size_t rowBytes, std::size_t rows) {
    const std::size_t lastStep = rowBytes - kStep;
    for (std::size_t r = 0; r < rows; ++r, src += srcPitch, dst += dstPitch) {
      for (std::size_t x = 0; x < lastStep; x += kStep) step(src + x, dst + x);
      step(src + lastStep, dst + lastStep);
    }
  }

  // Rows shorter than one step are copied as the reference does.
  static void run(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows) {
    if (rowBytes < kStep) {
      copyRowsC(src, srcPitch, dst, dstPitch, rowBytes, rows);
      return;
    }
    if (srcPitch == static_cast<std::ptrdiff_t>(rowBytes)) {
      rowsInTurn(src, srcPitch, dst, dstPitch, rowBytes, rows);
      return;
    }
    for (std::size_t r = 0; r < rows; r += kGroup) {
      const std::size_t count = rows - r < kGroup ? rows - r : kGroup;
      const std::size_t next = r + count;
      const std::size_t aheadCount = rows - next < kGroup ? rows - next : kGroup;
      // The pointer to the next group is only formed when that group exists.
      const BYTE* ahead = aheadCount != 0 ? src + static_cast<std::ptrdiff_t>(next) * srcPitch : nullptr;
      const auto row = static_cast<std::ptrdiff_t>(r);
      rowsSideBySide(src + row * srcPitch, srcPitch, dst + row * dstPitch, dstPitch, rowBytes, count, ahead,
                     aheadCount);
    }
  }
};

}  // namespace
}  // namespace orv_filter
