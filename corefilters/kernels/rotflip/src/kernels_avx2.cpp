// AVX2 kernels. The interleaving instructions do not cross the two 128-bit
// lanes, so the transposes either load two source rows per register (one per
// lane) or transpose two tiles side by side and regroup the lanes after.
// Compiled with -mavx2 and called only when the processor reports AVX2.
#include <immintrin.h>

#include "mirror_rows.h"
#include "rotflip_kernels.h"
#include "transpose_tiles.h"

namespace orv_filter::rotflip_detail {
namespace {

inline __m256i load(const BYTE* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void store(BYTE* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
inline __m128i load128(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store128(BYTE* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i lowLane(__m256i v) { return _mm256_castsi256_si128(v); }
inline __m128i highLane(__m256i v) { return _mm256_extracti128_si256(v, 1); }

// See the SSE2 unit: log2(N) rounds of pairwise interleaving transpose N
// registers of N elements, here independently in each lane.
template <int N, class Lo, class Hi>
inline void interleaveRound(__m256i (&v)[N], Lo lo, Hi hi) {
  __m256i t[N];
#pragma GCC unroll 16
  for (int i = 0; i < N / 2; ++i) {
    t[2 * i] = lo(v[i], v[i + N / 2]);
    t[2 * i + 1] = hi(v[i], v[i + N / 2]);
  }
#pragma GCC unroll 16
  for (int i = 0; i < N; ++i) v[i] = t[i];
}

// Source rows i and i + H/2 share register i, one per lane, so that after
// the in-lane rounds a register holds whole columns of all H rows.
inline __m256i loadRowPair(const BYTE* first, const BYTE* second) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(load128(first)), load128(second), 1);
}

// Tile rows are whole multiples of 32 bytes, 32-byte aligned.
template <std::ptrdiff_t Bytes>
inline void copyTileRow(BYTE* dst, const BYTE* tile) {
  static_assert(Bytes % 32 == 0);
#pragma GCC unroll 8
  for (std::ptrdiff_t i = 0; i < Bytes; i += 32) {
    store(dst + i, _mm256_load_si256(reinterpret_cast<const __m256i*>(tile + i)));
  }
}
template <std::ptrdiff_t Bytes>
inline void streamTileRow(BYTE* dst, const BYTE* tile) {
  static_assert(Bytes % 32 == 0);
#pragma GCC unroll 8
  for (std::ptrdiff_t i = 0; i < Bytes; i += 32) {
    _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + i),
                        _mm256_load_si256(reinterpret_cast<const __m256i*>(tile + i)));
  }
}

// The AVX2 micro-kernels' common members.
struct Avx2MicroBase {
  static constexpr bool kTileOnly = false, kCanStream = true;
  static constexpr std::ptrdiff_t kTilePad = 0;
  template <std::ptrdiff_t Bytes>
  static void copyRow(BYTE* dst, const BYTE* tile) {
    copyTileRow<Bytes>(dst, tile);
  }
  template <std::ptrdiff_t Bytes>
  static void streamRow(BYTE* dst, const BYTE* tile) {
    streamTileRow<Bytes>(dst, tile);
  }
  static void fence() { _mm_sfence(); }
};

// 16 rows x 16 bytes: three byte rounds leave columns 2k and 2k+1 of rows
// 0..7 in lane 0 and of rows 8..15 in lane 1 of register k; a qword
// permutation turns that into two whole 16-byte columns.
struct Micro1 : Avx2MicroBase {
  static constexpr unsigned kBytes = 1;
  static constexpr LONG kRows = 16, kCols = 16;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m256i v[8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) v[i] = loadRowPair(src + i * srcStride, src + (i + 8) * srcStride);
#pragma GCC unroll 3
    for (int round = 0; round < 3; ++round) {
      interleaveRound(
          v, [](__m256i a, __m256i b) { return _mm256_unpacklo_epi8(a, b); },
          [](__m256i a, __m256i b) { return _mm256_unpackhi_epi8(a, b); });
    }
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
      const __m256i cols = _mm256_permute4x64_epi64(v[k], _MM_SHUFFLE(3, 1, 2, 0));
      store128(out + (2 * k) * outStride, lowLane(cols));
      store128(out + (2 * k + 1) * outStride, highLane(cols));
    }
  }
};

// 16 rows x 8 pixels of 2 bytes: three 16-bit rounds leave column k of rows
// 0..7 and 8..15 in the two lanes of register k: one 32-byte store.
struct Micro2 : Avx2MicroBase {
  static constexpr unsigned kBytes = 2;
  static constexpr LONG kRows = 16, kCols = 8;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m256i v[8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) v[i] = loadRowPair(src + i * srcStride, src + (i + 8) * srcStride);
#pragma GCC unroll 3
    for (int round = 0; round < 3; ++round) {
      interleaveRound(
          v, [](__m256i a, __m256i b) { return _mm256_unpacklo_epi16(a, b); },
          [](__m256i a, __m256i b) { return _mm256_unpackhi_epi16(a, b); });
    }
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) store(out + k * outStride, v[k]);
  }
};

// 8 x 8 pixels of 4 bytes: 4 x 4 transposes of rows 0..3 and 4..7 in both
// lanes, then the lanes are regrouped into whole destination rows.
struct Micro4 : Avx2MicroBase {
  static constexpr unsigned kBytes = 4;
  static constexpr LONG kRows = 8, kCols = 8;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m256i top[4], bottom[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      top[i] = load(src + i * srcStride);
      bottom[i] = load(src + (4 + i) * srcStride);
    }
    const auto lo = [](__m256i a, __m256i b) { return _mm256_unpacklo_epi32(a, b); };
    const auto hi = [](__m256i a, __m256i b) { return _mm256_unpackhi_epi32(a, b); };
#pragma GCC unroll 2
    for (int round = 0; round < 2; ++round) {
      interleaveRound(top, lo, hi);
      interleaveRound(bottom, lo, hi);
    }
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      store(out + k * outStride, _mm256_permute2x128_si256(top[k], bottom[k], 0x20));
      store(out + (4 + k) * outStride, _mm256_permute2x128_si256(top[k], bottom[k], 0x31));
    }
  }
};

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

// Store policies for the mirror groups, as types so that they inline.
struct OrdinaryStore {
  void operator()(BYTE* p, __m256i v) const { store(p, v); }
  void operator()(BYTE* p, __m128i v) const { store128(p, v); }
};
struct StreamingStore {
  void operator()(BYTE* p, __m256i v) const { _mm256_stream_si256(reinterpret_cast<__m256i*>(p), v); }
  void operator()(BYTE* p, __m128i v) const { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }
};

// Two registers (64 bytes) per group.
template <class Reverse, class Put>
inline auto mirrorGroup(Reverse reverse, Put put) {
  return [reverse, put](const BYTE* s, BYTE* d) {
    const __m256i a = load(s), b = load(s + 32);
    put(d, reverse(b));
    put(d + 32, reverse(a));
  };
}

template <unsigned B, class Reverse>
inline void mirrorRowsVector(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                             std::ptrdiff_t width, LONG rows, Reverse reverse,
                             void (*narrow)(const BYTE*, BYTE*, std::ptrdiff_t)) {
  mirrorRowsInGroups<B, 64 / B>(src, srcStride, dst, dstStride, width, rows, mirrorGroup(reverse, OrdinaryStore{}),
                                narrow);
}

template <unsigned B, class Reverse>
inline void mirrorRowsStreamingVector(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                                      std::ptrdiff_t width, LONG rows, Reverse reverse,
                                      void (*narrow)(const BYTE*, BYTE*, std::ptrdiff_t)) {
  mirrorRowsStreaming<B, 64 / B, 64 / B>(src, srcStride, dst, dstStride, width, rows,
                                         mirrorGroup(reverse, OrdinaryStore{}), mirrorGroup(reverse, StreamingStore{}),
                                         narrow);
  _mm_sfence();  // order the non-temporal stores before anything later
}

// In-lane byte shuffle, then the lanes exchanged.
inline auto laneShuffleReverse(const LaneMask& laneMask) {
  const __m256i mask = _mm256_load_si256(reinterpret_cast<const __m256i*>(laneMask.m));
  return [mask](__m256i v) { return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, mask), _MM_SHUFFLE(1, 0, 3, 2)); };
}

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

inline __m128i mask3(unsigned out, unsigned in) { return load128(kMirror3.m[out][in]); }

template <class Put>
inline auto mirror3Group(Put put) {
  const __m128i m0b = mask3(0, 1), m0c = mask3(0, 2);
  const __m128i m1a = mask3(1, 0), m1b = mask3(1, 1), m1c = mask3(1, 2);
  const __m128i m2a = mask3(2, 0), m2b = mask3(2, 1);
  return [=](const BYTE* s, BYTE* d) {
    const __m128i a = load128(s), b = load128(s + 16), c = load128(s + 32);
    put(d, _mm_or_si128(_mm_shuffle_epi8(c, m0c), _mm_shuffle_epi8(b, m0b)));
    put(d + 16,
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c, m1c), _mm_shuffle_epi8(b, m1b)), _mm_shuffle_epi8(a, m1a)));
    put(d + 32, _mm_or_si128(_mm_shuffle_epi8(b, m2b), _mm_shuffle_epi8(a, m2a)));
  };
}

}  // namespace

void mirrorRows1_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsVector<1>(src, srcStride, dst, dstStride, width, rows, laneShuffleReverse(kReverse1), mirrorRow1_C);
}
void mirrorRows2_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsVector<2>(src, srcStride, dst, dstStride, width, rows, laneShuffleReverse(kReverse2), mirrorRow2_C);
}
void mirrorRows4_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  const __m256i order = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  mirrorRowsVector<4>(
      src, srcStride, dst, dstStride, width, rows, [order](__m256i v) { return _mm256_permutevar8x32_epi32(v, order); },
      mirrorRow4_C);
}

void mirrorRows3_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsInGroups<3, 16>(src, srcStride, dst, dstStride, width, rows, mirror3Group(OrdinaryStore{}), mirrorRow3_C);
}

// Row copies by 64-byte chunks, the last one overlapping the one before;
// rows under 64 bytes go to memcpy.
void copyRows_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::size_t rowBytes,
                   LONG rows) {
  const auto chunk = [](const BYTE* s, BYTE* d) {
    const __m256i a = load(s), b = load(s + 32);
    store(d, a);
    store(d + 32, b);
  };
  for (LONG r = 0; r < rows; ++r) {
    const BYTE* s = src + r * srcStride;
    BYTE* d = dst + r * dstStride;
    if (rowBytes < 64) {
      std::memcpy(d, s, rowBytes);
      continue;
    }
    std::size_t i = 0;
    for (; i + 64 <= rowBytes; i += 64) chunk(s + i, d + i);
    if (i < rowBytes) chunk(s + rowBytes - 64, d + rowBytes - 64);
  }
}

void mirrorRowsStreaming1_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  mirrorRowsStreamingVector<1>(src, srcStride, dst, dstStride, width, rows, laneShuffleReverse(kReverse1),
                               mirrorRow1_C);
}
void mirrorRowsStreaming2_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  mirrorRowsStreamingVector<2>(src, srcStride, dst, dstStride, width, rows, laneShuffleReverse(kReverse2),
                               mirrorRow2_C);
}
void mirrorRowsStreaming3_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  // Four groups of 16 pixels make 192 bytes, three whole cache lines.
  const auto group = mirror3Group(StreamingStore{});
  mirrorRowsStreaming<3, 16, 64>(
      src, srcStride, dst, dstStride, width, rows, mirror3Group(OrdinaryStore{}),
      [group](const BYTE* s, BYTE* d) {
        group(s + 144, d);
        group(s + 96, d + 48);
        group(s + 48, d + 96);
        group(s, d + 144);
      },
      mirrorRow3_C);
  _mm_sfence();
}
void mirrorRowsStreaming4_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  const __m256i order = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  mirrorRowsStreamingVector<4>(
      src, srcStride, dst, dstStride, width, rows, [order](__m256i v) { return _mm256_permutevar8x32_epi32(v, order); },
      mirrorRow4_C);
}

void transposePlane1_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Micro1, 64, 64, 256, 64>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane2_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Micro2, 32, 32, 128, 32>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane4_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Micro4, 8, 64, 64, 64>(src, srcStride, dst, dstStride, width, height);
}

}  // namespace orv_filter::rotflip_detail
