// AVX2 kernels, 32 frame bytes per step. This file alone is compiled with
// -mavx2; nothing here runs unless the processor reports AVX2. The aligning
// head matters more than for SSE2: a large accumulator from the heap sits 16
// bytes off 32, and half its 32-byte stores would otherwise split a cache line.
#include <immintrin.h>

#include "denoise_kernels.h"
#include "denoise_vector_common.h"

namespace orv_filter {

namespace {
struct Avx2Ops {
  using V = __m256i;
  static constexpr std::size_t kBytes = 32;

  static V load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
  static void store(void* p, V v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
  static void stream(void* p, V v) { _mm256_stream_si256(static_cast<__m256i*>(p), v); }
  static void fence() { _mm_sfence(); }
  // Each half is loaded as it is widened: sixteen bytes to sixteen 16-bit lanes.
  static const BYTE* frame(const BYTE* p) { return p; }
  static V widenLow(const BYTE* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
  static V widenHigh(const BYTE* p) { return widenLow(p + 16); }
  static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V bitAnd(V a, V b) { return _mm256_and_si256(a, b); }
  static V splat16(int value) { return _mm256_set1_epi16(static_cast<short>(value)); }
  static __m128i shiftCount(unsigned level) { return _mm_cvtsi32_si128(static_cast<int>(level)); }
  static V shiftRight16(V v, __m128i count) { return _mm256_srl_epi16(v, count); }
  // The pack interleaves 64-bit quarters (lo0 hi0 lo1 hi1); put them back in order.
  static V packBytes(V lo, V hi) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8); }
};
}  // namespace

const DenoiseKernels& denoiseKernelsAvx2() { return vectorKernelSet<Avx2Ops>(); }

}  // namespace orv_filter
