#include "platform/cpu.h"
#include "rotflip_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

// 3-byte pixels have no vector transpose: the SSE2 and AVX2 levels run the
// blocked scalar turn, with non-temporal stores for large frames.
constexpr RotFlipKernels kKernels_C = {
    {mirrorRows1_C, mirrorRows2_C, mirrorRows3_C, mirrorRows4_C},
    {mirrorRows1_C, mirrorRows2_C, mirrorRows3_C, mirrorRows4_C},
    copyRows_C,
    copyRows_C,
    {transposePlane1_C, transposePlane2_C, transposePlane3_C, transposePlane4_C},
};
constexpr RotFlipKernels kKernels_SSE2 = {
    {mirrorRows1_SSE2, mirrorRows2_SSE2, mirrorRows3_C, mirrorRows4_SSE2},
    {mirrorRowsStreaming1_SSE2, mirrorRowsStreaming2_SSE2, mirrorRows3_C, mirrorRowsStreaming4_SSE2},
    copyRows_SSE2,
    copyRowsStreaming_SSE2,
    {transposePlane1_SSE2, transposePlane2_SSE2, transposePlane3_SSE2, transposePlane4_SSE2},
};
constexpr RotFlipKernels kKernels_AVX2 = {
    {mirrorRows1_AVX2, mirrorRows2_AVX2, mirrorRows3_AVX2, mirrorRows4_AVX2},
    {mirrorRowsStreaming1_AVX2, mirrorRowsStreaming2_AVX2, mirrorRowsStreaming3_AVX2, mirrorRowsStreaming4_AVX2},
    copyRows_AVX2,
    copyRowsStreaming_SSE2,
    {transposePlane1_AVX2, transposePlane2_AVX2, transposePlane3_SSE2, transposePlane4_AVX2},
};

}  // namespace

const RotFlipKernels& rotFlipKernelsFor(std::uint32_t features) {
  if (features & orv::kCpuAVX2) return kKernels_AVX2;
  if (features & orv::kCpuSSE2) return kKernels_SSE2;
  return kKernels_C;
}

}  // namespace orv_filter::rotflip_detail
