// The vector row copy, written once over the load and store of one
// instruction set (its `Ops`). Internal linkage: the AVX2 unit is compiled
// with -mavx2, and a shared inline copy kept by the linker for the SSE2 unit
// would fault on a processor without AVX2.
#pragma once

#include <cstddef>
#include <cstring>

#include "row_copy.h"

namespace orv_filter {
namespace {

template <class Ops>
struct VectorRowCopy {
  // Bytes of one row per step.
  static constexpr std::size_t kStep = 64;
  // Rows with gaps between them, or stored in reverse order, each start a
  // new stream, which the hardware prefetcher picks up late and overruns at
  // the row's end, on the source and on the destination alike (where every
  // store first reads its line). So each step asks for the same line of the
  // row this many rows ahead, into the first-level cache: for reading on
  // the source side, for writing on the destination side. Measured against
  // asking for the first lines of a row only (short rows) or copying four
  // long rows side by side with the rows after them asked for into the
  // second-level cache: from memory a frame of 2048-byte rows stored in
  // reverse order is a third faster, crops of 1600 to 6400-byte rows out of
  // a wider frame a third to a half; in the caches crops are a fifth faster
  // and reversed rows level.
  static constexpr std::size_t kLeadRows = 2;
  // Long rows of a source without gaps go to the C library's memcpy, which
  // for long runs switches to the processor's own string move (on x86, one
  // that writes whole lines without reading them first): from memory that
  // is a quarter faster than vector stores, and level with them in the caches.
  static constexpr std::size_t kLongRow = 4096;

  static void step(const BYTE* s, BYTE* d) {
    typename Ops::V v[kStep / Ops::kBytes];
    for (std::size_t i = 0; i < kStep / Ops::kBytes; ++i) v[i] = Ops::load(s + i * Ops::kBytes);
    for (std::size_t i = 0; i < kStep / Ops::kBytes; ++i) Ops::store(d + i * Ops::kBytes, v[i]);
  }

  // One row after another. A row that is not a whole number of steps ends
  // with a step that overlaps the one before it and writes the same bytes
  // again, so nothing outside the rows is read or written.
  template <bool kLeadSource, bool kLeadDestination>
  static void rowsWithLead(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch,
                           std::size_t rowBytes, std::size_t rows) {
    const std::size_t lastStep = rowBytes - kStep;
    constexpr auto kLead = static_cast<std::ptrdiff_t>(kLeadRows);
    for (std::size_t r = 0; r < rows; ++r, src += srcPitch, dst += dstPitch) {
      // The last rows, which have none ahead, ask for their own lines.
      const bool ahead = r + kLeadRows < rows;
      const BYTE* readLead = ahead ? src + kLead * srcPitch : src;
      BYTE* writeLead = ahead ? dst + kLead * dstPitch : dst;
      for (std::size_t x = 0;; x += kStep) {
        if (x > lastStep) x = lastStep;
        if (kLeadSource) __builtin_prefetch(readLead + x, 0, 3);
        if (kLeadDestination) __builtin_prefetch(writeLead + x, 1, 3);
        step(src + x, dst + x);
        if (x == lastStep) break;
      }
    }
  }

  // Rows shorter than one step are copied as the reference does.
  static void run(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows) {
    if (rowBytes < kStep) {
      copyRowsC(src, srcPitch, dst, dstPitch, rowBytes, rows);
      return;
    }
    // Short rows are walked so that the destination's addresses rise: asking
    // for a reversed source ahead is cheaper than asking to write a reversed
    // destination ahead (a tenth, from memory and in the caches).
    if (dstPitch < 0 && rowBytes < kLongRow && rows > 1) {
      const auto last = static_cast<std::ptrdiff_t>(rows - 1);
      src += last * srcPitch;
      dst += last * dstPitch;
      srcPitch = -srcPitch;
      dstPitch = -dstPitch;
    }
    // A side without gaps is one stream the prefetcher follows unaided.
    const bool sourceGaps = srcPitch != static_cast<std::ptrdiff_t>(rowBytes);
    const bool destinationGaps = dstPitch != static_cast<std::ptrdiff_t>(rowBytes);
    if (!sourceGaps && rowBytes >= kLongRow) {
      for (std::size_t r = 0; r < rows; ++r, src += srcPitch, dst += dstPitch) std::memcpy(dst, src, rowBytes);
    } else if (sourceGaps && destinationGaps) {
      rowsWithLead<true, true>(src, srcPitch, dst, dstPitch, rowBytes, rows);
    } else if (sourceGaps) {
      rowsWithLead<true, false>(src, srcPitch, dst, dstPitch, rowBytes, rows);
    } else if (destinationGaps) {
      rowsWithLead<false, true>(src, srcPitch, dst, dstPitch, rowBytes, rows);
    } else {
      rowsWithLead<false, false>(src, srcPitch, dst, dstPitch, rowBytes, rows);
    }
  }
};

}  // namespace
}  // namespace orv_filter
