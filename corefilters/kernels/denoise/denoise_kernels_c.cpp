// Reference loops. They define the results; the vector kernels run them on
// the bytes left over after their last full vector.
#include "denoise_kernels.h"

namespace orv_filter {

void denoiseStartRunC(std::int16_t* acc, const BYTE* src, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) acc[i] = static_cast<std::int16_t>(src[i]);
}

void denoiseAccumulateC(std::int16_t* acc, const BYTE* src, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) acc[i] = static_cast<std::int16_t>(acc[i] + src[i]);
}

void denoiseEmitC(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
  // Shifting an int32 by 31 already yields floor(sum / 2^31), the sign of the
  // sum; so does any larger divisor, and the clamp keeps the shift defined.
  const unsigned shift = level < 31 ? level : 31;
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t sum = static_cast<std::int32_t>(acc[i]) + src[i];
    dst[i] = static_cast<BYTE>(sum >> shift);
  }
}

const DenoiseKernels& denoiseKernelsC() {
  static constexpr DenoiseKernels kernels{denoiseStartRunC, denoiseAccumulateC, denoiseEmitC};
  return kernels;
}

}  // namespace orv_filter
