// SSE2 kernels (the x86-64 baseline): 16-byte transposes built from
// interleaving rounds, and in-register row mirrors.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>

#include "mirror_rows.h"
#include "pixel_micros.h"
#include "rotflip_kernels.h"
#include "transpose_tiles.h"

namespace orv_filter::rotflip_detail {
namespace {

inline __m128i load(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(BYTE* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void storeLow(BYTE* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }
// The high 8 bytes through the builtin-backed store: the double-typed one
// would be an unaligned access to a double in C++ terms.
inline void storeHigh(BYTE* p, __m128i v) { _mm_storeh_pi(reinterpret_cast<__m64*>(p), _mm_castsi128_ps(v)); }

inline void stream(BYTE* p, __m128i v) { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }

// Tile rows are whole multiples of 16 bytes.
template <std::ptrdiff_t Bytes>
inline void copyTileRow(BYTE* dst, const BYTE* tile) {
  static_assert(Bytes % 16 == 0);
#pragma GCC unroll 16
  for (std::ptrdiff_t i = 0; i < Bytes; i += 16) store(dst + i, load(tile + i));
}
template <std::ptrdiff_t Bytes>
inline void streamTileRow(BYTE* dst, const BYTE* tile) {
  static_assert(Bytes % 16 == 0);
#pragma GCC unroll 16
  for (std::ptrdiff_t i = 0; i < Bytes; i += 16) stream(dst + i, load(tile + i));
}

// The SSE2 micro-kernels' common members.
struct Sse2MicroBase {
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

// The 3-byte group kernel, with streamed copies out of its tile.
struct Pixel3StreamMicro : Pixel3Micro {
  static constexpr bool kCanStream = true;
  template <std::ptrdiff_t Bytes>
  static void streamRow(BYTE* dst, const BYTE* tile) {
    streamTileRow<Bytes>(dst, tile);
  }
  static void fence() { _mm_sfence(); }
};

// One interleaving round over N registers: pairs (i, i + N/2) are unpacked
// into positions 2i and 2i+1. Each round rotates the bits of the (register,
// element) address by one, so log2(N) rounds over N elements per register
// exchange register and element: a transpose.
template <int N, class Lo, class Hi>
inline void interleaveRound(__m128i (&v)[N], Lo lo, Hi hi) {
  __m128i t[N];
#pragma GCC unroll 16
  for (int i = 0; i < N / 2; ++i) {
    t[2 * i] = lo(v[i], v[i + N / 2]);
    t[2 * i + 1] = hi(v[i], v[i + N / 2]);
  }
#pragma GCC unroll 16
  for (int i = 0; i < N; ++i) v[i] = t[i];
}

// 8 rows x 16 bytes: after three byte rounds register k holds source
// columns 2k (low half) and 2k+1 (high half), eight rows each.
struct Micro1 : Sse2MicroBase {
  static constexpr unsigned kBytes = 1;
  static constexpr LONG kRows = 8, kCols = 16;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m128i v[8];
#pragma GCC unroll 16
    for (int i = 0; i < 8; ++i) v[i] = load(src + i * srcStride);
#pragma GCC unroll 16
    for (int round = 0; round < 3; ++round) {
      interleaveRound(
          v, [](__m128i a, __m128i b) { return _mm_unpacklo_epi8(a, b); },
          [](__m128i a, __m128i b) { return _mm_unpackhi_epi8(a, b); });
    }
#pragma GCC unroll 16
    for (int k = 0; k < 8; ++k) {
      storeLow(out + (2 * k) * outStride, v[k]);
      storeHigh(out + (2 * k + 1) * outStride, v[k]);
    }
  }
};

// 8 x 8 pixels of 2 bytes: three 16-bit rounds.
struct Micro2 : Sse2MicroBase {
  static constexpr unsigned kBytes = 2;
  static constexpr LONG kRows = 8, kCols = 8;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m128i v[8];
#pragma GCC unroll 16
    for (int i = 0; i < 8; ++i) v[i] = load(src + i * srcStride);
#pragma GCC unroll 16
    for (int round = 0; round < 3; ++round) {
      interleaveRound(
          v, [](__m128i a, __m128i b) { return _mm_unpacklo_epi16(a, b); },
          [](__m128i a, __m128i b) { return _mm_unpackhi_epi16(a, b); });
    }
#pragma GCC unroll 16
    for (int k = 0; k < 8; ++k) store(out + k * outStride, v[k]);
  }
};

// 4 x 4 pixels of 4 bytes: two 32-bit rounds.
struct Micro4 : Sse2MicroBase {
  static constexpr unsigned kBytes = 4;
  static constexpr LONG kRows = 4, kCols = 4;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    __m128i v[4];
#pragma GCC unroll 16
    for (int i = 0; i < 4; ++i) v[i] = load(src + i * srcStride);
#pragma GCC unroll 16
    for (int round = 0; round < 2; ++round) {
      interleaveRound(
          v, [](__m128i a, __m128i b) { return _mm_unpacklo_epi32(a, b); },
          [](__m128i a, __m128i b) { return _mm_unpackhi_epi32(a, b); });
    }
#pragma GCC unroll 16
    for (int k = 0; k < 4; ++k) store(out + k * outStride, v[k]);
  }
};

// (Passed to the row loops wrapped in lambdas, which inline where plain
// function pointers would not.)
inline __m128i reverse32(__m128i v) { return _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)); }
inline __m128i reverse16(__m128i v) {
  v = reverse32(v);
  v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
  return _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
}
inline __m128i reverse8(__m128i v) {
  v = reverse16(v);
  return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

// Store policies for the mirror groups, as types so that they inline.
struct OrdinaryStore {
  void operator()(BYTE* p, __m128i v) const { store(p, v); }
};
struct StreamingStore {
  void operator()(BYTE* p, __m128i v) const { stream(p, v); }
};

// Four registers (64 bytes) per group.
template <class Reverse, class Put>
inline auto mirrorGroup(Reverse reverse, Put put) {
  return [reverse, put](const BYTE* s, BYTE* d) {
    const __m128i a = load(s), b = load(s + 16), c = load(s + 32), e = load(s + 48);
    put(d, reverse(e));
    put(d + 16, reverse(c));
    put(d + 32, reverse(b));
    put(d + 48, reverse(a));
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

}  // namespace

void mirrorRows1_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsVector<1>(
      src, srcStride, dst, dstStride, width, rows, [](__m128i v) { return reverse8(v); }, mirrorRow1_C);
}
void mirrorRows2_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsVector<2>(
      src, srcStride, dst, dstStride, width, rows, [](__m128i v) { return reverse16(v); }, mirrorRow2_C);
}
void mirrorRows4_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  mirrorRowsVector<4>(
      src, srcStride, dst, dstStride, width, rows, [](__m128i v) { return reverse32(v); }, mirrorRow4_C);
}

void mirrorRowsStreaming1_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  mirrorRowsStreamingVector<1>(
      src, srcStride, dst, dstStride, width, rows, [](__m128i v) { return reverse8(v); }, mirrorRow1_C);
}
void mirrorRowsStreaming2_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  mirrorRowsStreamingVector<2>(
      src, srcStride, dst, dstStride, width, rows, [](__m128i v) { return reverse16(v); }, mirrorRow2_C);
}
void mirrorRowsStreaming4_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                               std::ptrdiff_t width, LONG rows) {
  mirrorRowsStreamingVector<4>(
      src, srcStride, dst, dstStride, width, rows, [](__m128i v) { return reverse32(v); }, mirrorRow4_C);
}

// Row copies by 64-byte chunks, the last one overlapping the one before;
// rows under 64 bytes go to memcpy.
void copyRows_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::size_t rowBytes,
                   LONG rows) {
  const auto chunk = [](const BYTE* s, BYTE* d) {
    const __m128i a = load(s), b = load(s + 16), c = load(s + 32), e = load(s + 48);
    store(d, a);
    store(d + 16, b);
    store(d + 32, c);
    store(d + 48, e);
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

// Row copies with non-temporal stores between an unaligned head and tail;
// the stores go by whole cache lines, so that every write-combining buffer
// leaves full.
void transposePlane3_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Pixel3StreamMicro, 64, 32, 64, 32>(src, srcStride, dst, dstStride, width, height);
}

void copyRowsStreaming_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                            std::size_t rowBytes, LONG rows) {
  for (LONG r = 0; r < rows; ++r) {
    const BYTE* s = src + r * srcStride;
    BYTE* d = dst + r * dstStride;
    std::size_t head = (64 - reinterpret_cast<std::uintptr_t>(d) % 64) % 64;
    if (head > rowBytes) head = rowBytes;
    std::memcpy(d, s, head);
    std::size_t i = head;
    for (; i + 64 <= rowBytes; i += 64) {
      const __m128i a = load(s + i), b = load(s + i + 16), c = load(s + i + 32), e = load(s + i + 48);
      stream(d + i, a);
      stream(d + i + 16, b);
      stream(d + i + 32, c);
      stream(d + i + 48, e);
    }
    std::memcpy(d + i, s + i, rowBytes - i);
  }
  _mm_sfence();
}

void transposePlane1_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Micro1, 64, 64, 256, 64>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane2_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Micro2, 32, 32, 128, 32>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane4_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height) {
  transposePlane<Micro4, 8, 64, 64, 64>(src, srcStride, dst, dstStride, width, height);
}

}  // namespace orv_filter::rotflip_detail
