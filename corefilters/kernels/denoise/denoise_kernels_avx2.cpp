// AVX2 kernels, 32 frame bytes per step. This file alone is compiled with
// -mavx2; nothing here runs unless the processor reports AVX2. As in the SSE2
// file, a short head runs through the reference loop until the array stored
// to is 32-byte aligned: a large accumulator from the heap sits 16 bytes off,
// and half its 32-byte stores would otherwise split a cache line.
#include <immintrin.h>

#include "denoise_kernels.h"
#include "denoise_vector_common.h"

namespace orv_filter {

namespace {
constexpr std::size_t kStep = 32;

// Sixteen source bytes widened to sixteen 16-bit lanes.
__m256i widen16(const BYTE* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
__m256i load32(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
void store32(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
}  // namespace

void denoiseStartRunAvx2(std::int16_t* acc, const BYTE* src, std::size_t n) {
  std::size_t i = elementsToAlignment(acc, 32, n);
  denoiseStartRunC(acc, src, i);
  for (; i + kStep <= n; i += kStep) {
    store32(acc + i, widen16(src + i));
    store32(acc + i + 16, widen16(src + i + 16));
  }
  denoiseStartRunC(acc + i, src + i, n - i);
}

void denoiseAccumulateAvx2(std::int16_t* acc, const BYTE* src, std::size_t n) {
  std::size_t i = elementsToAlignment(acc, 32, n);
  denoiseAccumulateC(acc, src, i);
  for (; i + kStep <= n; i += kStep) {
    store32(acc + i, _mm256_add_epi16(load32(acc + i), widen16(src + i)));
    store32(acc + i + 16, _mm256_add_epi16(load32(acc + i + 16), widen16(src + i + 16)));
  }
  denoiseAccumulateC(acc + i, src + i, n - i);
}

namespace {
// Full 32-byte steps from the start of the range; returns how many bytes they
// covered. The destination is 32-byte aligned, as streaming stores need.
template <bool kStream>
std::size_t emitSteps(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
  const __m256i lowByte = _mm256_set1_epi16(0x00FF);
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(level));
  std::size_t i = 0;
  for (; i + kStep <= n; i += kStep) {
    const __m256i lo = _mm256_add_epi16(load32(acc + i), widen16(src + i));
    const __m256i hi = _mm256_add_epi16(load32(acc + i + 16), widen16(src + i + 16));
    const __m256i loBytes = _mm256_and_si256(_mm256_srl_epi16(lo, shift), lowByte);
    const __m256i hiBytes = _mm256_and_si256(_mm256_srl_epi16(hi, shift), lowByte);
    // The pack interleaves 64-bit quarters (lo0 hi0 lo1 hi1); put them back in order.
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(loBytes, hiBytes), 0xD8);
    if constexpr (kStream) {
      _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + i), bytes);
    } else {
      store32(dst + i, bytes);
    }
  }
  return i;
}
}  // namespace

void denoiseEmitAvx2(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
  if (level > kMaxLevel16BitEmit) {
    denoiseEmitC(dst, acc, src, n, level);
    return;
  }
  std::size_t i = elementsToAlignment(dst, 32, n);
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

const DenoiseKernels& denoiseKernelsAvx2() {
  static constexpr DenoiseKernels kernels{denoiseStartRunAvx2, denoiseAccumulateAvx2, denoiseEmitAvx2};
  return kernels;
}

}  // namespace orv_filter
