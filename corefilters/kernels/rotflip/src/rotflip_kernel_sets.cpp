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
  if (features & orv::kCpuAVX2) return rotFlipKernels_AVX2();
  if (features & orv::kCpuSSE2) return rotFlipKernels_SSE2();
  return kKernels_C;
}

}  // namespace orv_filter::rotflip_detail
