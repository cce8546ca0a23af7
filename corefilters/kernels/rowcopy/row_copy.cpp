#include "row_copy.h"

#include <cstring>

#include "platform/cpu.h"

namespace orv_filter {

void copyRowsC(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
               std::size_t rows) {
  if (rowBytes == 0) return;
  for (std::size_t r = 0; r < rows; ++r, src += srcPitch, dst += dstPitch) std::memcpy(dst, src, rowBytes);
}

RowCopyKernel rowCopyKernelFor(std::uint32_t cpuFeatures) {
  if (cpuFeatures & orv::kCpuAVX2) return &copyRowsAvx2;
  if (cpuFeatures & orv::kCpuSSE2) return &copyRowsSse2;
  return &copyRowsC;
}

void copyRows(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
              std::size_t rows) {
  rowCopyKernelFor(orv::cpuFeatureWord())(src, srcPitch, dst, dstPitch, rowBytes, rows);
}

}  // namespace orv_filter
