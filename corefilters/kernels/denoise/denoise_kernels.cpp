// Dispatch: the feature word is read on every call (a relaxed atomic load), so
// a whole frame always runs through one kernel set.
#include "denoise_kernels.h"

#include "platform/cpu.h"

namespace orv_filter {

const DenoiseKernels& denoiseKernelsFor(std::uint32_t cpuFeatures) {
  if (cpuFeatures & orv::kCpuAVX2) return denoiseKernelsAvx2();
  if (cpuFeatures & orv::kCpuSSE2) return denoiseKernelsSse2();
  return denoiseKernelsC();
}

void denoiseStartRun(std::int16_t* acc, const BYTE* src, std::size_t n) {
  denoiseKernelsFor(orv::cpuFeatureWord()).startRun(acc, src, n);
}

void denoiseAccumulate(std::int16_t* acc, const BYTE* src, std::size_t n) {
  denoiseKernelsFor(orv::cpuFeatureWord()).accumulate(acc, src, n);
}

void denoiseEmit(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
  denoiseKernelsFor(orv::cpuFeatureWord()).emit(dst, acc, src, n, level);
}

}  // namespace orv_filter
