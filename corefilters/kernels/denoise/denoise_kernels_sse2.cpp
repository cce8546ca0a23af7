// SSE2 kernels, 16 frame bytes per step. The accumulator is handled as 16-bit
// lanes with wrap-around adds, which is exactly the 16-bit store of the
// reference loop. Each kernel runs the reference loop over a short head until
// the array it stores to is 16-byte aligned, so no store splits a cache line.
#include <emmintrin.h>

#include "denoise_kernels.h"
#include "denoise_vector_common.h"

namespace orv_filter {

namespace {
constexpr std::size_t kStep = 16;

__m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void store16(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
}  // namespace

void denoiseStartRunSse2(std::int16_t* acc, const BYTE* src, std::size_t n) {
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = elementsToAlignment(acc, 16, n);
  denoiseStartRunC(acc, src, i);
  for (; i + kStep <= n; i += kStep) {
    const __m128i s = load16(src + i);
    store16(acc + i, _mm_unpacklo_epi8(s, zero));
    store16(acc + i + 8, _mm_unpackhi_epi8(s, zero));
  }
  denoiseStartRunC(acc + i, src + i, n - i);
}

void denoiseAccumulateSse2(std::int16_t* acc, const BYTE* src, std::size_t n) {
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = elementsToAlignment(acc, 16, n);
  denoiseAccumulateC(acc, src, i);
  for (; i + kStep <= n; i += kStep) {
    const __m128i s = load16(src + i);
    store16(acc + i, _mm_add_epi16(load16(acc + i), _mm_unpacklo_epi8(s, zero)));
    store16(acc + i + 8, _mm_add_epi16(load16(acc + i + 8), _mm_unpackhi_epi8(s, zero)));
  }
  denoiseAccumulateC(acc + i, src + i, n - i);
}

namespace {
// Full 16-byte steps from the start of the range; returns how many bytes they
// covered. The destination is 16-byte aligned, as streaming stores need.
template <bool kStream>
std::size_t emitSteps(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(level));
  std::size_t i = 0;
  for (; i + kStep <= n; i += kStep) {
    const __m128i s = load16(src + i);
    const __m128i lo = _mm_add_epi16(load16(acc + i), _mm_unpacklo_epi8(s, zero));
    const __m128i hi = _mm_add_epi16(load16(acc + i + 8), _mm_unpackhi_epi8(s, zero));
    // Masked to 0..255 first, so the saturating pack only narrows.
    const __m128i loBytes = _mm_and_si128(_mm_srl_epi16(lo, shift), lowByte);
    const __m128i hiBytes = _mm_and_si128(_mm_srl_epi16(hi, shift), lowByte);
    const __m128i bytes = _mm_packus_epi16(loBytes, hiBytes);
    if constexpr (kStream) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i), bytes);
    } else {
      store16(dst + i, bytes);
    }
  }
  return i;
}
}  // namespace

void denoiseEmitSse2(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
  if (level > kMaxLevel16BitEmit) {
    denoiseEmitC(dst, acc, src, n, level);
    return;
  }
  std::size_t i = elementsToAlignment(dst, 16, n);
  denoiseEmitC(dst, acc, src, i, level);
  if (n >= kStreamingEmitBytes) {
    i += emitSteps<true>(dst + i, acc + i, src + i, n - i, level);
    // Streaming stores are weakly ordered: make them visible before the frame
    // is handed on, possibly to another thread.
    _mm_sfence();
  } else {
    i += emitSteps<false>(dst + i, acc + i, src + i, n - i, level);
  }
  denoiseEmitC(dst + i, acc + i, src + i, n - i, level);
}

const DenoiseKernels& denoiseKernelsSse2() {
  static constexpr DenoiseKernels kernels{denoiseStartRunSse2, denoiseAccumulateSse2, denoiseEmitSse2};
  return kernels;
}

}  // namespace orv_filter
