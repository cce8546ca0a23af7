#include "row_copy.h"

#include <cstring>

#include "kernel_ladder.h"
#include "platform/cpu.h"

namespace orv_filter {

void copyRowsC(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
               std::size_t rows) {
  if (rowBytes == 0) return;
  for (std::size_t r = 0; r < rows; ++r, src += srcPitch, dst += dstPitch) std::memcpy(dst, src, rowBytes);
}

RowCopyKernel rowCopyKernelFor(std::uint32_t cpuFeatures) {
  return pickKernels<RowCopyKernel>(cpuFeatures, {&copyRowsC, ORV_X86_KERNELS(&copyRowsSse2),
                                                  ORV_X86_KERNELS(&copyRowsAvx2), ORV_NEON_KERNELS(&copyRowsNeon)});
}

void copyRows(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
              std::size_t rows) {
  rowCopyKernelFor(orv::cpuFeatureWord())(src, srcPitch, dst, dstPitch, rowBytes, rows);
}

}  // namespace orv_filter
