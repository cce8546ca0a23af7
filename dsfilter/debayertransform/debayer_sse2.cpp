// SSE2 kernels: 16 columns per block. SSE2 is the x86-64 baseline; the unit
// is built with -mprfchw only, for the write prefetch.
#include <emmintrin.h>

#include "debayer_simd_span.h"
#include "kernel_tables.h"

namespace orv_filter {
namespace {

struct Sse2Ops {
  using V = __m128i;
  static constexpr UINT kBytes = 16;

  static V load(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static V splat16(int value) { return _mm_set1_epi16(static_cast<short>(value)); }
  static V bitAnd(V a, V b) { return _mm_and_si128(a, b); }
  static V bitAndNot(V mask, V b) { return _mm_andnot_si128(mask, b); }
  static V bitOr(V a, V b) { return _mm_or_si128(a, b); }
  static V add(V a, V b) { return _mm_add_epi16(a, b); }
  template <int N>
  static V shr(V a) { return _mm_srli_epi16(a, N); }
  template <int N>
  static V shl(V a) { return _mm_slli_epi16(a, N); }
  // Lanes hold 0..1020, so signed 16-bit compares and differences are exact.
  static V absDiff(V a, V b) { return _mm_max_epi16(_mm_sub_epi16(a, b), _mm_sub_epi16(b, a)); }
  static V greater(V a, V b) { return _mm_cmpgt_epi16(a, b); }
  static V select(V mask, V a, V b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
  // Each even byte copied over the odd byte after it.
  static V dupLow(V a) { return _mm_or_si128(_mm_and_si128(a, splat16(0x00FF)), _mm_slli_epi16(a, 8)); }
  // Even bytes of a, odd bytes of b.
  static V mergeLowHigh(V a, V b) {
    const V lo = splat16(0x00FF);
    return _mm_or_si128(_mm_and_si128(a, lo), _mm_andnot_si128(lo, b));
  }

  // 16 pixels of 4 bytes: 64 bytes.
  static void storeBgra(BYTE* p, V b, V g, V r) {
    const V ff = _mm_set1_epi8(-1);
    const V bgLo = _mm_unpacklo_epi8(b, g);
    const V bgHi = _mm_unpackhi_epi8(b, g);
    const V raLo = _mm_unpacklo_epi8(r, ff);
    const V raHi = _mm_unpackhi_epi8(r, ff);
    auto* out = reinterpret_cast<__m128i*>(p);
    _mm_storeu_si128(out + 0, _mm_unpacklo_epi16(bgLo, raLo));
    _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(bgLo, raLo));
    _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(bgHi, raHi));
    _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(bgHi, raHi));
  }

  // Four pixels held as dwords 0x00RRGGBB: squeezed to 12 bytes, stored as two
  // 8-byte stores 6 bytes apart. Each store writes 2 bytes past its 6; they
  // land on the next pixel, which a later store writes again.
  static void storeFour(BYTE* p, V px) {
    const V firstOfPair = _mm_set_epi32(0, -1, 0, -1);
    const V secondOfPair = _mm_set_epi32(-1, static_cast<int>(0xFF000000u), -1, static_cast<int>(0xFF000000u));
    const V pairs = _mm_or_si128(_mm_and_si128(px, firstOfPair), _mm_and_si128(_mm_srli_epi64(px, 8), secondOfPair));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), pairs);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 6), _mm_unpackhi_epi64(pairs, pairs));
  }

  // 16 pixels of 3 bytes: 48 bytes, and 2 bytes of the pixel after them that
  // the caller writes again later (VectorSpan::run leaves at least column
  // W - 1 after every block, and writes it after the block).
  static void storeBgr(BYTE* p, V b, V g, V r) {
    const V zero = _mm_setzero_si128();
    const V bgLo = _mm_unpacklo_epi8(b, g);
    const V bgHi = _mm_unpackhi_epi8(b, g);
    const V rLo = _mm_unpacklo_epi8(r, zero);
    const V rHi = _mm_unpackhi_epi8(r, zero);
    storeFour(p, _mm_unpacklo_epi16(bgLo, rLo));
    storeFour(p + 12, _mm_unpackhi_epi16(bgLo, rLo));
    storeFour(p + 24, _mm_unpacklo_epi16(bgHi, rHi));
    storeFour(p + 36, _mm_unpackhi_epi16(bgHi, rHi));
  }
};

}  // namespace

const DeBayerKernelTable& detail::sse2KernelTable(int bytesPerPixel) {
  return kernelTableOf<VectorSpan<Sse2Ops>>(bytesPerPixel);
}

}  // namespace orv_filter
