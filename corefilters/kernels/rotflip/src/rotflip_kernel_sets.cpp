#include "platform/cpu.h"
#include "rotflip_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

// 3-byte pixels have no vector transpose: their blocked C++ turn is used at
// every level.
constexpr RotFlipKernels kKernels_C = {
    {mirrorRow1_C, mirrorRow2_C, mirrorRow3_C, mirrorRow4_C},
    {transposePlane1_C, transposePlane2_C, transposePlane3_C, transposePlane4_C},
};
constexpr RotFlipKernels kKernels_SSE2 = {
    {mirrorRow1_SSE2, mirrorRow2_SSE2, mirrorRow3_C, mirrorRow4_SSE2},
    {transposePlane1_SSE2, transposePlane2_SSE2, transposePlane3_C, transposePlane4_SSE2},
};
constexpr RotFlipKernels kKernels_AVX2 = {
    {mirrorRow1_AVX2, mirrorRow2_AVX2, mirrorRow3_AVX2, mirrorRow4_AVX2},
    {transposePlane1_AVX2, transposePlane2_AVX2, transposePlane3_C, transposePlane4_AVX2},
};

}  // namespace

const RotFlipKernels& rotFlipKernelsFor(std::uint32_t features) {
  if (features & orv::kCpuAVX2) return kKernels_AVX2;
  if (features & orv::kCpuSSE2) return kKernels_SSE2;
  return kKernels_C;
}

}  // namespace orv_filter::rotflip_detail
