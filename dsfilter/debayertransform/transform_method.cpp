#include "transform_method.h"

#include "kernel_ladder.h"
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

const DeBayerKernelTable& deBayerKernelTableFor(std::uint32_t cpuFeatures, int bytesPerPixel) {
  using TableOfSet = const DeBayerKernelTable& (*)(int bytesPerPixel);
  const TableOfSet tableOf = pickKernels<TableOfSet>(
      cpuFeatures, {&detail::scalarKernelTable, ORV_X86_KERNELS(&detail::sse2KernelTable),
                    ORV_X86_KERNELS(&detail::avx2KernelTable), ORV_NEON_KERNELS(&detail::neonKernelTable)});
  return tableOf(bytesPerPixel);
}

void deBayerToRGB24(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params) {
  deBayerDispatch(deBayerKernelTableFor(orv::cpuFeatureWord(), 3), src, dst, width, signedHeight, params);
}

void deBayerToRGB32(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params) {
  deBayerDispatch(deBayerKernelTableFor(orv::cpuFeatureWord(), 4), src, dst, width, signedHeight, params);
}

}  // namespace orv_filter
