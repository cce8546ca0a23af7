// The vector kernels, written once over a small set of operations that each
// instruction-set unit supplies (its `Ops`): transposes built from rounds of
// interleaving, row mirrors by whole cache lines, and the kernel set that
// gathers them.
//
// Included by one translation unit per instruction set; the unnamed namespace
// keeps each unit's copy to itself (see transpose_tiles.h).
#pragma once

#include <cstddef>
#include <cstring>

#include "mirror_rows.h"
#include "platform/wintypes.h"
#include "rotflip_kernels.h"
#include "transpose_tiles.h"

namespace orv_filter::rotflip_detail {
namespace {

// Ops supplies, for registers V of kBytes bytes made of kLanes 16-byte lanes:
//   load(p), store(p, v)      unaligned
//   loadTile(p)               a row of a transposition tile
//   stream(p, v), fence()     a non-temporal store to a kBytes-aligned p, and
//                             the fence that orders such stores
//   loadLanes(src, stride, row, laneRows)
//                             16 bytes into each lane, lane l from row
//                             row + l * laneRows of src
//   interleaveLow<E>(a, b)    the E-byte elements of the low halves of each
//   interleaveHigh<E>(a, b)   lane of a and b (high halves), alternately
//   storeRowPair(out, stride, row, v)
//                             the low halves of the lanes to row `row` of
//                             out, the high halves to the next, lane after
//                             lane
//   reverser<B>()             a function object that reverses the order of
//                             the B-byte pixels of a register

// Tile rows are whole multiples of a register.
template <class Ops, std::ptrdiff_t Bytes>
inline void copyTileRow(BYTE* dst, const BYTE* tile) {
  static_assert(Bytes % Ops::kBytes == 0);
#pragma GCC unroll 16
  for (std::ptrdiff_t i = 0; i < Bytes; i += Ops::kBytes) Ops::store(dst + i, Ops::loadTile(tile + i));
}
template <class Ops, std::ptrdiff_t Bytes>
inline void streamTileRow(BYTE* dst, const BYTE* tile) {
  static_assert(Bytes % Ops::kBytes == 0);
#pragma GCC unroll 16
  for (std::ptrdiff_t i = 0; i < Bytes; i += Ops::kBytes) Ops::stream(dst + i, Ops::loadTile(tile + i));
}

// The vector micro-kernels' common members (see transpose_tiles.h).
template <class Ops>
struct VectorMicroBase {
  static constexpr bool kTileOnly = false, kCanStream = true;
  static constexpr std::ptrdiff_t kTilePad = 0;
  template <std::ptrdiff_t Bytes>
  static void copyRow(BYTE* dst, const BYTE* tile) {
    copyTileRow<Ops, Bytes>(dst, tile);
  }
  template <std::ptrdiff_t Bytes>
  static void streamRow(BYTE* dst, const BYTE* tile) {
    streamTileRow<Ops, Bytes>(dst, tile);
  }
  static void fence() { Ops::fence(); }
};

// One interleaving round over N registers of E-byte elements: pairs
// (i, i + N/2) are interleaved into positions 2i and 2i+1. Each round rotates
// the bits of the (register, element) address by one, so log2(N) rounds over
// N elements per lane exchange register and element: a transpose, in each
// lane independently.
template <class Ops, unsigned E, int N>
inline void interleaveRound(typename Ops::V (&v)[N]) {
  typename Ops::V t[N];
#pragma GCC unroll 16
  for (int i = 0; i < N / 2; ++i) {
    t[2 * i] = Ops::template interleaveLow<E>(v[i], v[i + N / 2]);
    t[2 * i + 1] = Ops::template interleaveHigh<E>(v[i], v[i + N / 2]);
  }
#pragma GCC unroll 16
  for (int i = 0; i < N; ++i) v[i] = t[i];
}

// Register i holds source row i + l * kRegisters in lane l, 16 bytes of it.
// The rounds then leave column k of all rows in register k (lane l still
// holding rows l * kRegisters onwards), one store. Single bytes take only
// three rounds over the 16 columns: register k holds columns 2k and 2k + 1 in
// the low and high halves of its lanes.
template <class Ops, unsigned B>
struct InterleaveMicro : VectorMicroBase<Ops> {
  static constexpr int kRegisters = B == 4 ? 4 : 8;
  static constexpr int kRounds = B == 4 ? 2 : 3;
  static constexpr unsigned kBytes = B;
  static constexpr LONG kRows = kRegisters * Ops::kLanes, kCols = 16 / B;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    // Sixteen source rows and sixteen destination rows a call (AVX2): left
    // to itself, GCC keeps an address for each of them across a block's
    // calls, spills most to the stack and reloads one before each load and
    // store. Hiding the strides makes each call work its addresses out from
    // the two it is given: 1-byte turns ran a tenth to a fifth faster. With
    // eight source rows (SSE2, NEON) the same change cost SSE2 a tenth.
    if constexpr (kRows >= 16) asm("" : "+r"(srcStride), "+r"(outStride));
    typename Ops::V v[kRegisters];
#pragma GCC unroll 16
    for (int i = 0; i < kRegisters; ++i) v[i] = Ops::loadLanes(src, srcStride, i, kRegisters);
#pragma GCC unroll 16
    for (int round = 0; round < kRounds; ++round) interleaveRound<Ops, B>(v);
#pragma GCC unroll 16
    for (int k = 0; k < kRegisters; ++k) {
      if constexpr (B == 1) {
        Ops::storeRowPair(out, outStride, 2 * k, v[k]);
      } else {
        Ops::store(out + k * outStride, v[k]);
      }
    }
  }
};

// Block sizes by pixel size, the same at every level. Direct 1-byte blocks
// are 32 source rows of two lines each rather than 64 rows of one: frames
// turned into 2448- and 1080-byte rows ran a fifth faster with AVX2, in the
// caches and from memory, and faster still in the caches with SSE2.
template <class Micro>
void transposeVector(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                     LONG height, bool streamed) {
  if constexpr (Micro::kBytes == 1) {
    transposePlane<Micro, 32, 128, 256, 64>(src, srcStride, dst, dstStride, width, height, streamed);
  } else if constexpr (Micro::kBytes == 2) {
    transposePlane<Micro, 32, 32, 128, 32>(src, srcStride, dst, dstStride, width, height, streamed);
  } else {
    transposePlane<Micro, 8, 64, 64, 64>(src, srcStride, dst, dstStride, width, height, streamed);
  }
}

// Store policies for the line kernels, as types so that they inline.
template <class Ops>
struct OrdinaryStore {
  template <class V>
  void operator()(BYTE* p, V v) const {
    Ops::store(p, v);
  }
};
template <class Ops>
struct StreamingStore {
  template <class V>
  void operator()(BYTE* p, V v) const {
    Ops::stream(p, v);
  }
};

// The same with the registers in reverse order, each reversed: a group of
// 64 / B pixels for mirrorRowsInGroups.
template <class Ops, class Reverse, class Put>
inline auto mirrorGroup(Reverse reverse, Put put) {
  return [reverse, put](const BYTE* s, BYTE* d) {
    constexpr int kCount = 64 / Ops::kBytes;
    typename Ops::V v[kCount];
#pragma GCC unroll 4
    for (int i = 0; i < kCount; ++i) v[i] = Ops::load(s + i * Ops::kBytes);
#pragma GCC unroll 4
    for (int i = 0; i < kCount; ++i) put(d + i * Ops::kBytes, reverse(v[kCount - 1 - i]));
  };
}

// The plain C++ row mirrors, for rows narrower than a group and the ends of
// streamed rows.
constexpr decltype(&mirrorRow1_C) kMirrorRow_C[] = {mirrorRow1_C, mirrorRow2_C, mirrorRow3_C, mirrorRow4_C};

template <class Ops, unsigned B>
void mirrorRowsVector(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsInGroups<B, 64 / B>(src, srcStride, dst, dstStride, width, rows,
                                mirrorGroup<Ops>(Ops::template reverser<B>(), OrdinaryStore<Ops>{}),
                                kMirrorRow_C[B - 1]);
}

template <class Ops, unsigned B>
void mirrorRowsStreamingVector(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  const auto reverse = Ops::template reverser<B>();
  mirrorRowsStreaming<B, 64 / B, 64 / B>(src, srcStride, dst, dstStride, width, rows,
                                         mirrorGroup<Ops>(reverse, OrdinaryStore<Ops>{}),
                                         mirrorGroup<Ops>(reverse, StreamingStore<Ops>{}), kMirrorRow_C[B - 1]);
  Ops::fence();  // order the non-temporal stores before anything later
}

// The kernels a level brings besides the shared ones over its Ops.
struct LevelKernels {
  MirrorRowsFn mirrorRows3;
  MirrorRowsFn mirrorRowsLarge3;
  RowCopyKernel copyRows;
  RowCopyKernel copyRowsLarge;
  TransposeFn transpose3;  // 3-byte pixels need byte shuffles, level by level
};

// A level's kernel set: the shared kernels over its Ops and its 4-byte
// transpose micro-kernel, with the level's own kernels.
template <class Ops, class Micro4>
constexpr RotFlipKernels vectorKernelSet(const LevelKernels& own) {
  return {
      {mirrorRowsVector<Ops, 1>, mirrorRowsVector<Ops, 2>, own.mirrorRows3, mirrorRowsVector<Ops, 4>},
      {mirrorRowsStreamingVector<Ops, 1>, mirrorRowsStreamingVector<Ops, 2>, own.mirrorRowsLarge3,
       mirrorRowsStreamingVector<Ops, 4>},
      own.copyRows,
      own.copyRowsLarge,
      {transposeVector<InterleaveMicro<Ops, 1>>, transposeVector<InterleaveMicro<Ops, 2>>, own.transpose3,
       transposeVector<Micro4>},
  };
}

}  // namespace
}  // namespace orv_filter::rotflip_detail
