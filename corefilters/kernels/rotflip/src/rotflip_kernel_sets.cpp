#include "kernel_ladder.h"
#include "platform/cpu.h"
#include "rotflip_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

constexpr RotFlipKernels kKernels_C = {
    {mirrorRows1_C, mirrorRows2_C, mirrorRows3_C, mirrorRows4_C},
    {mirrorRows1_C, mirrorRows2_C, mirrorRows3_C, mirrorRows4_C},
    copyRowsC,
    copyRowsC,
    {transposePlane1_C, transposePlane2_C, transposePlane3_C, transposePlane4_C},
};

}  // namespace

const RotFlipKernels& rotFlipKernelsFor(std::uint32_t features) {
  return *pickKernels<const RotFlipKernels*>(
      features, {&kKernels_C, ORV_X86_KERNELS(&rotFlipKernels_SSE2()), ORV_X86_KERNELS(&rotFlipKernels_AVX2()),
                 ORV_NEON_KERNELS(&rotFlipKernels_NEON())});
}

}  // namespace orv_filter::rotflip_detail
