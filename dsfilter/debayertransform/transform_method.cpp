#include "transform_method.h"

#include "kernel_tables.h"
#include "platform/cpu.h"
#include "platform/orv_assert.h"

namespace orv_filter {

DeBayerParams makeDeBayerParams(LONG pattern, LONG mode) {
  // eRG and eGB put red in odd rows, eGR and eBG in even rows; eGB and eBG
  // put red in odd columns.
  const LONG bits = pattern & 3;
  return {bits < eGR ? 1 : 0, bits & 1, pattern, mode};
}

void deBayerDispatch(const DeBayerKernelTable& table, const BYTE* src, BYTE* dst, UINT width,
                     LONG signedHeight, const DeBayerParams& params) {
  const auto mode = static_cast<std::uint32_t>(params.mode);
  if (mode > static_cast<std::uint32_t>(eEdgeSensing)) {
    ORV_ASSERT_MSG(false, "mode <= tDeBayerOptions::eEdgeSensing");
    return;
  }
  const DeBayerKernelPair& pair = table[mode];
  (signedHeight < 0 ? pair.bottomUpSource : pair.topDownSource)(src, dst, width, signedHeight, params);
}

DeBayerIsa deBayerBestIsa() {
  const std::uint32_t features = orv::cpuFeatureWord();
  if (features & orv::kCpuAVX2) return DeBayerIsa::AVX2;
  if (features & orv::kCpuSSE2) return DeBayerIsa::SSE2;
  return DeBayerIsa::Scalar;
}

const DeBayerKernelTable& deBayerTable(DeBayerIsa isa, int bytesPerPixel) {
  switch (isa) {
    case DeBayerIsa::AVX2:
      return detail::avx2KernelTable(bytesPerPixel);
    case DeBayerIsa::SSE2:
      return detail::sse2KernelTable(bytesPerPixel);
    case DeBayerIsa::Scalar:
      break;
  }
  return detail::scalarKernelTable(bytesPerPixel);
}

void deBayerToRGB24(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params) {
  deBayerDispatch(deBayerTable(deBayerBestIsa(), 3), src, dst, width, signedHeight, params);
}

void deBayerToRGB32(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params) {
  deBayerDispatch(deBayerTable(deBayerBestIsa(), 4), src, dst, width, signedHeight, params);
}

}  // namespace orv_filter
