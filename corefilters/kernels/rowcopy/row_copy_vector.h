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
  // Short rows with gaps between them, or stored in reverse order, each
  // start a new stream, which the hardware prefetcher picks up late, on the
  // source and on the destination alike (where every store first reads its
  // line). So each step asks for the same line of the row this many rows
  // ahead, into the first-level cache: for reading on the source side, for
  // writing on the destination side. From memory that makes a frame of
  // 2048-byte rows stored in reverse order a third faster (level with one
  // memcpy of the frame), and 1600-byte rows cut from a wider frame a sixth;
  // in the caches the requests cost nothing measurable. Asking for the
  // first lines only, or into the second-level cache, gained little from
  // memory and made frames in the caches a tenth slower.
  static constexpr std::size_t kLeadRows = 2;
  // Long rows of a source without gaps go to the C library's memcpy, which
  // for long runs switches to the processor's own string move (on x86, one
  // that writes whole lines without reading them first): from memory that
  // is a quarter faster than vector stores, and level with them in the caches.
  static constexpr std::size_t kLongRow = 4096;

  // Long rows of a source with gaps between them are copied side by side, a step
  // of each in turn: the hardware prefetcher loses a stream at every row end,
  // so a few short streams at once keep more memory requests in flight than
  // one row after another. Eight rows measured no faster from memory and
  // slower from the caches, where rows a power of two apart share one set.
  static constexpr std::size_t kGroup = 4;
  // The group copied now asks for the same columns of the group two ahead:
  // one group ahead is too short a lead to cover the wait for memory.
  static constexpr std::size_t kGroupLeadRows = 2 * kGroup;

  static void step(const BYTE* s, BYTE* d) {
    typename Ops::V v[kStep / Ops::kBytes];
    for (std::size_t i = 0; i < kStep / Ops::kBytes; ++i) v[i] = Ops::load(s + i * Ops::kBytes);
    for (std::size_t i = 0; i < kStep / Ops::kBytes; ++i) Ops::store(d + i * Ops::kBytes, v[i]);
  }

  // A step of two rows, both loaded before either is stored: two misses wait
  // side by side instead of one after the other.
  static void pairStep(const BYTE* s, std::ptrdiff_t srcPitch, BYTE* d, std::ptrdiff_t dstPitch) {
    constexpr std::size_t kVectors = kStep / Ops::kBytes;
    typename Ops::V v[2 * kVectors];
    for (std::size_t i = 0; i < kVectors; ++i) v[i] = Ops::load(s + i * Ops::kBytes);
    for (std::size_t i = 0; i < kVectors; ++i) v[kVectors + i] = Ops::load(s + srcPitch + i * Ops::kBytes);
    for (std::size_t i = 0; i < kVectors; ++i) Ops::store(d + i * Ops::kBytes, v[i]);
    for (std::size_t i = 0; i < kVectors; ++i) Ops::store(d + dstPitch + i * Ops::kBytes, v[kVectors + i]);
  }

  // Copies `count` rows side by side while asking for the same columns of the
  // `leadCount` rows at `lead`. Those lines go to the second-level cache
  // (locality 1, PREFETCHT2 on x86): first-level requests are too few at a time to cover the wait
  // for memory, and the copy's own loads move the lines on later.
  // A row that is not a whole number of steps ends with a step that overlaps
  // the one before it and writes the same bytes again, so nothing outside the
  // rows is read or written. `Count` is the group size for whole groups and 0
  // for the last, shorter one, whose size is `count`.
  template <std::size_t Count>
  static void rowsSideBySide(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch,
                             std::size_t rowBytes, std::size_t count, const BYTE* lead, std::size_t leadCount) {
    const std::size_t lastStep = rowBytes - kStep;
    const auto rows = static_cast<std::ptrdiff_t>(Count != 0 ? Count : count);
    const auto leadRows = static_cast<std::ptrdiff_t>(leadCount);
    for (std::size_t x = 0;; x += kStep) {
      if (x > lastStep) x = lastStep;
      for (std::ptrdiff_t k = 0; k < leadRows; ++k) {
        __builtin_prefetch(lead + k * srcPitch + x, 0, 1);
      }
      std::ptrdiff_t k = 0;
      for (; k + 1 < rows; k += 2) pairStep(src + k * srcPitch + x, srcPitch, dst + k * dstPitch + x, dstPitch);
      if (k < rows) step(src + k * srcPitch + x, dst + k * dstPitch + x);
      if (x == lastStep) break;
    }
  }

  // One row after another. A shorter row that is not a whole number of
  // steps ends with a step that overlaps the one before it and writes the
  // same bytes again, so nothing outside the rows is read or written.
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

  static void rowsInTurn(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch,
                         std::size_t rowBytes, std::size_t rows) {
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

  // Rows shorter than one step are copied as the reference does. Short rows
  // with gaps go one after another too: side by side they measured slower
  // in the caches and no faster from memory.
  static void run(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows) {
    if (rowBytes < kStep) {
      copyRowsC(src, srcPitch, dst, dstPitch, rowBytes, rows);
      return;
    }
    if (srcPitch == static_cast<std::ptrdiff_t>(rowBytes) || rowBytes < kLongRow) {
      rowsInTurn(src, srcPitch, dst, dstPitch, rowBytes, rows);
      return;
    }
    for (std::size_t r = 0; r < rows; r += kGroup) {
      const std::size_t count = rows - r < kGroup ? rows - r : kGroup;
      const std::size_t leadFirst = r + kGroupLeadRows;
      const std::size_t leadCount = leadFirst >= rows ? 0 : rows - leadFirst < kGroup ? rows - leadFirst : kGroup;
      // The pointer to the lead rows is only formed when they exist.
      const BYTE* lead = leadCount != 0 ? src + static_cast<std::ptrdiff_t>(leadFirst) * srcPitch : nullptr;
      const auto row = static_cast<std::ptrdiff_t>(r);
      const BYTE* from = src + row * srcPitch;
      BYTE* to = dst + row * dstPitch;
      if (count == kGroup) {
        rowsSideBySide<kGroup>(from, srcPitch, to, dstPitch, rowBytes, count, lead, leadCount);
      } else {
        rowsSideBySide<0>(from, srcPitch, to, dstPitch, rowBytes, count, lead, leadCount);
      }
    }
  }
};

}  // namespace
}  // namespace orv_filter
