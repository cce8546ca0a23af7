// SSE2 kernels, 16 frame bytes per step. The accumulator is handled as 16-bit
// lanes with wrap-around adds, which is exactly the 16-bit store of the
// reference loop.
#include <emmintrin.h>

#include "denoise_kernels.h"
#include "denoise_vector_common.h"

namespace orv_filter {

namespace {
struct Sse2Ops {
  using V = __m128i;
  static constexpr std::size_t kBytes = 16;

  static V load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  static void store(void* p, V v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
  static void stream(void* p, V v) { _mm_stream_si128(static_cast<__m128i*>(p), v); }
  static void fence() { _mm_sfence(); }
  // One load, unpacked against zero.
  static V frame(const BYTE* p) { return load(p); }
  static V widenLow(V s) { return _mm_unpacklo_epi8(s, _mm_setzero_si128()); }
  static V widenHigh(V s) { return _mm_unpackhi_epi8(s, _mm_setzero_si128()); }
  static V add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V bitAnd(V a, V b) { return _mm_and_si128(a, b); }
  static V splat16(int value) { return _mm_set1_epi16(static_cast<short>(value)); }
  static __m128i shiftCount(unsigned level) { return _mm_cvtsi32_si128(static_cast<int>(level)); }
  static V shiftRight16(V v, __m128i count) { return _mm_srl_epi16(v, count); }
  static V packBytes(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
};
}  // namespace

const DenoiseKernels& denoiseKernelsSse2() { return vectorKernelSet<Sse2Ops>(); }

}  // namespace orv_filter
