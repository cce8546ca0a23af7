// AVX2 kernels. The interleaving instructions do not cross the two 128-bit
// lanes, so the transposes either load two source rows per register (one per
// lane) or transpose two tiles side by side and regroup the lanes after;
// 3-byte pixels are widened to dwords for the transpose and narrowed after.
// Compiled with -mavx2 and called only when the processor reports AVX2.
#include <immintrin.h>

#include "mirror_rows.h"
#include "rotflip_kernels.h"
#include "transpose_tiles.h"
#include "vector_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

// Byte order that reverses B-byte pixels inside each 16-byte lane.
struct LaneMask {
  alignas(32) BYTE m[32];
};
constexpr LaneMask laneReverseMask(unsigned b) {
  LaneMask mask{};
  for (unsigned i = 0; i < 32; ++i) {
    const unsigned lane = i / 16 * 16, pos = i % 16;
    mask.m[i] = static_cast<BYTE>(lane + (16 / b - 1 - pos / b) * b + pos % b);
  }
  return mask;
}
constexpr LaneMask kReverse1 = laneReverseMask(1);
constexpr LaneMask kReverse2 = laneReverseMask(2);

struct Avx2Ops {
  using V = __m256i;
  static constexpr std::ptrdiff_t kBytes = 32;
  static constexpr LONG kLanes = 2;

  static V load(const BYTE* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  static __m128i load128(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  // Tile rows are 32-byte aligned.
  static V loadTile(const BYTE* p) { return _mm256_load_si256(reinterpret_cast<const V*>(p)); }
  static void store(BYTE* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
  static void store(BYTE* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static void stream(BYTE* p, V v) { _mm256_stream_si256(reinterpret_cast<V*>(p), v); }
  static void stream(BYTE* p, __m128i v) { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }
  static void fence() { _mm_sfence(); }
  static V loadLanes(const BYTE* src, std::ptrdiff_t stride, int row, int laneRows) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(load128(src + row * stride)),
                                   load128(src + (row + laneRows) * stride), 1);
  }

  template <unsigned E>
  static V interleaveLow(V a, V b) {
    if constexpr (E == 1) {
      return _mm256_unpacklo_epi8(a, b);
    } else if constexpr (E == 2) {
      return _mm256_unpacklo_epi16(a, b);
    } else {
      return _mm256_unpacklo_epi32(a, b);
    }
  }
  template <unsigned E>
  static V interleaveHigh(V a, V b) {
    if constexpr (E == 1) {
      return _mm256_unpackhi_epi8(a, b);
    } else if constexpr (E == 2) {
      return _mm256_unpackhi_epi16(a, b);
    } else {
      return _mm256_unpackhi_epi32(a, b);
    }
  }

  // A qword permutation gathers the low halves of both lanes, then the high.
  static void storeRowPair(BYTE* out, std::ptrdiff_t stride, int row, V v) {
    const V halves = _mm256_permute4x64_epi64(v, _MM_SHUFFLE(3, 1, 2, 0));
    store(out + row * stride, _mm256_castsi256_si128(halves));
    store(out + (row + 1) * stride, _mm256_extracti128_si256(halves, 1));
  }

  // In-lane byte shuffle, then the lanes exchanged; whole dwords in one
  // permutation.
  template <unsigned B>
  static auto reverser() {
    if constexpr (B == 4) {
      const V order = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
      return [order](V v) { return _mm256_permutevar8x32_epi32(v, order); };
    } else {
      const V mask = _mm256_load_si256(reinterpret_cast<const V*>((B == 1 ? kReverse1 : kReverse2).m));
      return [mask](V v) { return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, mask), _MM_SHUFFLE(1, 0, 3, 2)); };
    }
  }
};

// A 4 x 4 transpose of dwords in each lane of each group of four registers:
// register k then holds element k of every register of its group.
inline void transposeDwordQuads(__m256i (&a)[4], __m256i (&b)[4]) {
#pragma GCC unroll 2
  for (int round = 0; round < 2; ++round) {
    interleaveRound<Avx2Ops, 4>(a);
    interleaveRound<Avx2Ops, 4>(b);
  }
}

// 8 x 8 pixels of 4 bytes: 4 x 4 transposes of rows 0..3 and 4..7 in both
// lanes, then the lanes are regrouped into whole destination rows.
struct Micro4 : VectorMicroBase<Avx2Ops> {
  static constexpr unsigned kBytes = 4;
  static constexpr LONG kRows = 8, kCols = 8;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m256i top[4], bottom[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      top[i] = Avx2Ops::load(src + i * srcStride);
      bottom[i] = Avx2Ops::load(src + (4 + i) * srcStride);
    }
    transposeDwordQuads(top, bottom);
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      Avx2Ops::store(out + k * outStride, _mm256_permute2x128_si256(top[k], bottom[k], 0x20));
      Avx2Ops::store(out + (4 + k) * outStride, _mm256_permute2x128_si256(top[k], bottom[k], 0x31));
    }
  }
};

// 8 x 8 pixels of 3 bytes, widened to dwords on the way in and narrowed
// again on the way out. Each 24-byte source row is read as bytes 0..15 and
// 8..23, so nothing past the row is touched. Register i holds, as dwords,
// pixels 0..3 (left) or 4..7 (right) of row i in its low lane and of row
// i + 4 in its high lane; the 4 x 4 transposes of the interleaving rounds
// then leave destination row k whole in register k, rows 0..7 in order, with
// no exchange of lanes. Each output row goes out as bytes 0..15 and 8..23.
struct Micro3 : VectorMicroBase<Avx2Ops> {
  static constexpr unsigned kBytes = 3;
  static constexpr LONG kRows = 8, kCols = 8;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    // Pixels 0..3 are bytes 0..11 of the first read, pixels 4..7 bytes 4..15
    // of the second; the fourth byte of every dword is don't-care (-1: zero).
    const __m256i widenLeft = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                               0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i widenRight = _mm256_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1,  //
                                                4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    // Narrowing: each lane packs its four pixels into dwords 0..2 (low lane)
    // or 1..3 (high lane); the dword permutation then gives row bytes 0..15
    // in the low lane and 8..23 in the high one.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14);
    const __m256i spread = _mm256_setr_epi32(0, 1, 2, 5, 2, 5, 6, 7);
    __m256i left[4], right[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      const BYTE* upper = src + i * srcStride;
      const BYTE* lower = src + (i + 4) * srcStride;
      left[i] = _mm256_shuffle_epi8(_mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(lower),
                                                        reinterpret_cast<const __m128i*>(upper)),
                                    widenLeft);
      right[i] = _mm256_shuffle_epi8(_mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(lower + 8),
                                                         reinterpret_cast<const __m128i*>(upper + 8)),
                                     widenRight);
    }
    transposeDwordQuads(left, right);
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      storeRow(out + k * outStride, _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(left[k], pack), spread));
      storeRow(out + (4 + k) * outStride, _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(right[k], pack), spread));
    }
  }
  // Bytes 8..15 are written twice, with the same values.
  static void storeRow(BYTE* p, __m256i v) {
    Avx2Ops::store(p, _mm256_castsi256_si128(v));
    Avx2Ops::store(p + 8, _mm256_extracti128_si256(v, 1));
  }
};

// 3-byte pixels: 16 pixels are three 16-byte registers A, B, C. Reversed,
// the first output register draws on C and B, the middle one on all three
// (one pixel straddles each register boundary) and the last on B and A.
struct Mirror3Masks {
  // [output register][source register], 0x80 where the source gives nothing.
  BYTE m[3][3][16];
};
constexpr Mirror3Masks mirror3Masks() {
  Mirror3Masks masks{};
  for (unsigned j = 0; j < 48; ++j) {
    const unsigned from = 3 * (15 - j / 3) + j % 3;
    for (unsigned q = 0; q < 3; ++q) {
      masks.m[j / 16][q][j % 16] = (from / 16 == q) ? static_cast<BYTE>(from % 16) : 0x80;
    }
  }
  return masks;
}
constexpr Mirror3Masks kMirror3 = mirror3Masks();

inline __m128i mask3(unsigned out, unsigned in) { return Avx2Ops::load128(kMirror3.m[out][in]); }

template <class Put>
inline auto mirror3Group(Put put) {
  const __m128i m0b = mask3(0, 1), m0c = mask3(0, 2);
  const __m128i m1a = mask3(1, 0), m1b = mask3(1, 1), m1c = mask3(1, 2);
  const __m128i m2a = mask3(2, 0), m2b = mask3(2, 1);
  return [=](const BYTE* s, BYTE* d) {
    const __m128i a = Avx2Ops::load128(s), b = Avx2Ops::load128(s + 16), c = Avx2Ops::load128(s + 32);
    put(d, _mm_or_si128(_mm_shuffle_epi8(c, m0c), _mm_shuffle_epi8(b, m0b)));
    put(d + 16,
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c, m1c), _mm_shuffle_epi8(b, m1b)), _mm_shuffle_epi8(a, m1a)));
    put(d + 32, _mm_or_si128(_mm_shuffle_epi8(b, m2b), _mm_shuffle_epi8(a, m2a)));
  };
}

// Two such groups at once, one per lane: 32 pixels, 96 bytes. The last 16
// source pixels go to the low lane, since they come out first, and three
// lane swaps join the six output halves into three whole registers. Half
// the instructions per pixel of the one-lane group: a sixth faster in the
// caches, where that group is bound by its shuffles.
inline auto mirror3WideGroup() {
  const auto both = [](unsigned out, unsigned in) { return _mm256_broadcastsi128_si256(mask3(out, in)); };
  const __m256i m0b = both(0, 1), m0c = both(0, 2);
  const __m256i m1a = both(1, 0), m1b = both(1, 1), m1c = both(1, 2);
  const __m256i m2a = both(2, 0), m2b = both(2, 1);
  return [=](const BYTE* s, BYTE* d) {
    const auto lanes = [s](std::ptrdiff_t at) {
      return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(s + at), reinterpret_cast<const __m128i*>(s + 48 + at));
    };
    const __m256i a = lanes(0), b = lanes(16), c = lanes(32);
    const __m256i o0 = _mm256_or_si256(_mm256_shuffle_epi8(c, m0c), _mm256_shuffle_epi8(b, m0b));
    const __m256i o1 = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(c, m1c), _mm256_shuffle_epi8(b, m1b)),
                                       _mm256_shuffle_epi8(a, m1a));
    const __m256i o2 = _mm256_or_si256(_mm256_shuffle_epi8(b, m2b), _mm256_shuffle_epi8(a, m2a));
    Avx2Ops::store(d, _mm256_permute2x128_si256(o0, o1, 0x20));
    Avx2Ops::store(d + 32, _mm256_permute2x128_si256(o2, o0, 0x30));
    Avx2Ops::store(d + 64, _mm256_permute2x128_si256(o1, o2, 0x31));
  };
}

void mirrorRows3_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsInGroups<3, 32>(src, srcStride, dst, dstStride, width, rows, mirror3WideGroup(), mirrorRow3_C);
}

void mirrorRowsStreaming3_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  // Four groups of 16 pixels make 192 bytes, three whole cache lines.
  const auto group = mirror3Group(StreamingStore<Avx2Ops>{});
  mirrorRowsStreaming<3, 16, 64>(
      src, srcStride, dst, dstStride, width, rows, mirror3Group(OrdinaryStore<Avx2Ops>{}),
      [group](const BYTE* s, BYTE* d) {
        group(s + 144, d);
        group(s + 96, d + 48);
        group(s + 48, d + 96);
        group(s, d + 144);
      },
      mirrorRow3_C);
  _mm_sfence();
}

}  // namespace

const RotFlipKernels& rotFlipKernels_AVX2() {
  static constexpr RotFlipKernels kKernels = vectorKernelSet<Avx2Ops, Micro4>(
      {mirrorRows3_AVX2, mirrorRowsStreaming3_AVX2, copyRowsAvx2, copyRowsStreaming_SSE2,
       transposeVector<Micro3>});
  return kKernels;
}

}  // namespace orv_filter::rotflip_detail
