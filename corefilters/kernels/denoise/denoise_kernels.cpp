// Dispatch: the feature word is read on every call (a relaxed atomic load), so
// a whole frame always runs through one kernel set.
#include "denoise_kernels.h"

#include "kernel_ladder.h"
#include "platform/cpu.h"

namespace orv_filter {

const DenoiseKernels& denoiseKernelsFor(std::uint32_t cpuFeatures) {
  return *pickKernels<const DenoiseKernels*>(
      cpuFeatures, {&denoiseKernelsC(), ORV_X86_KERNELS(&denoiseKernelsSse2()), ORV_X86_KERNELS(&denoiseKernelsAvx2()),
                    ORV_NEON_KERNELS(&denoiseKernelsNeon())});
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
