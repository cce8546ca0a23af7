// SSE2 kernels (the x86-64 baseline): the operations of the shared vector
// kernels on 16-byte registers, the streamed row copies that the AVX2 set
// uses too, and 3-byte transposes by the blocked scalar kernel with streamed
// copies out of its tile (SSE2 has no byte shuffle to regroup 3-byte pixels).
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>

#include "pixel_micros.h"
#include "rotflip_kernels.h"
#include "vector_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

struct Sse2Ops {
  using V = __m128i;
  static constexpr std::ptrdiff_t kBytes = 16;
  static constexpr LONG kLanes = 1;

  static V load(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  // The 3-byte tiles' rows are not 16-byte aligned.
  static V loadTile(const BYTE* p) { return load(p); }
  static void store(BYTE* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
  static void stream(BYTE* p, V v) { _mm_stream_si128(reinterpret_cast<V*>(p), v); }
  static void fence() { _mm_sfence(); }
  static V loadLanes(const BYTE* src, std::ptrdiff_t stride, int row, int) { return load(src + row * stride); }

  template <unsigned E>
  static V interleaveLow(V a, V b) {
    if constexpr (E == 1) {
      return _mm_unpacklo_epi8(a, b);
    } else if constexpr (E == 2) {
      return _mm_unpacklo_epi16(a, b);
    } else {
      return _mm_unpacklo_epi32(a, b);
    }
  }
  template <unsigned E>
  static V interleaveHigh(V a, V b) {
    if constexpr (E == 1) {
      return _mm_unpackhi_epi8(a, b);
    } else if constexpr (E == 2) {
      return _mm_unpackhi_epi16(a, b);
    } else {
      return _mm_unpackhi_epi32(a, b);
    }
  }

  // The high 8 bytes through the builtin-backed store: the double-typed one
  // would be an unaligned access to a double in C++ terms.
  static void storeRowPair(BYTE* out, std::ptrdiff_t stride, int row, V v) {
    _mm_storel_epi64(reinterpret_cast<V*>(out + row * stride), v);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out + (row + 1) * stride), _mm_castsi128_ps(v));
  }

  static V reverse32(V v) { return _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)); }
  static V reverse16(V v) {
    v = reverse32(v);
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
  }
  static V reverse8(V v) {
    v = reverse16(v);
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
  }
  // As lambdas, which inline where plain function pointers would not.
  template <unsigned B>
  static auto reverser() {
    if constexpr (B == 1) {
      return [](V v) { return reverse8(v); };
    } else if constexpr (B == 2) {
      return [](V v) { return reverse16(v); };
    } else {
      return [](V v) { return reverse32(v); };
    }
  }
};

// The 3-byte group kernel, with streamed copies out of its tile.
struct Pixel3StreamMicro : Pixel3Micro {
  static constexpr bool kCanStream = true;
  template <std::ptrdiff_t Bytes>
  static void streamRow(BYTE* dst, const BYTE* tile) {
    streamTileRow<Sse2Ops, Bytes>(dst, tile);
  }
  static void fence() { Sse2Ops::fence(); }
};

void transposePlane3_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height, bool streamed) {
  transposePlane<Pixel3StreamMicro, 64, 32, 64, 32>(src, srcStride, dst, dstStride, width, height, streamed);
}

}  // namespace

// Row copies with non-temporal stores between an unaligned head and tail;
// the stores go by whole cache lines, so that every write-combining buffer
// leaves full.
void copyRowsStreaming_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                            std::size_t rowBytes, std::size_t rows) {
  for (std::size_t r = 0; r < rows; ++r) {
    const BYTE* s = src + static_cast<std::ptrdiff_t>(r) * srcStride;
    BYTE* d = dst + static_cast<std::ptrdiff_t>(r) * dstStride;
    std::size_t head = (64 - reinterpret_cast<std::uintptr_t>(d) % 64) % 64;
    if (head > rowBytes) head = rowBytes;
    std::memcpy(d, s, head);
    std::size_t i = head;
    for (; i + 64 <= rowBytes; i += 64) {
      const __m128i a = Sse2Ops::load(s + i), b = Sse2Ops::load(s + i + 16);
      const __m128i c = Sse2Ops::load(s + i + 32), e = Sse2Ops::load(s + i + 48);
      Sse2Ops::stream(d + i, a);
      Sse2Ops::stream(d + i + 16, b);
      Sse2Ops::stream(d + i + 32, c);
      Sse2Ops::stream(d + i + 48, e);
    }
    std::memcpy(d + i, s + i, rowBytes - i);
  }
  _mm_sfence();
}

// 3-byte mirrors have no SSE2 kernel: SSE2 has no byte shuffle.
const RotFlipKernels& rotFlipKernels_SSE2() {
  static constexpr RotFlipKernels kKernels = vectorKernelSet<Sse2Ops, InterleaveMicro<Sse2Ops, 4>>(
      {mirrorRows3_C, mirrorRows3_C, copyRowsSse2, copyRowsStreaming_SSE2, transposePlane3_SSE2});
  return kKernels;
}

}  // namespace orv_filter::rotflip_detail
