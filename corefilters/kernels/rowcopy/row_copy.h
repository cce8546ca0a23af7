// Row copy kernels: one operation, copyRows, a block of rows from one frame
// to another. Implemented by the scalar reference (copyRowsC, one memcpy per
// row) on every processor, SSE2 and AVX2 on x86-64, NEON on AArch64; the
// entry point takes the scalar kernel and lets the ladder of kernel_ladder.h
// upgrade it by the processor's features on every call.
//
// Copying a block of rows between two frames whose rows lie different
// distances apart or run in opposite directions: the crop of a region out of
// a larger frame, a frame turned upside down.
//
// Rows of a region are runs separated by the rest of each frame row. The
// hardware prefetcher loses its stream at every such gap and has to learn
// it again at the next row. The vector kernels copy one row after another
// and ask for the row a few rows ahead themselves, on each side that has
// gaps; long rows of a source without gaps go to memcpy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/wintypes.h"

namespace orv_filter {

// Row r's rowBytes bytes at src + r * srcPitch go to dst + r * dstPitch.
// Pitches may be negative (rows walked upwards in memory). Source and
// destination rows must not overlap. Pointers need no alignment.
using RowCopyKernel = void (*)(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch,
                               std::size_t rowBytes, std::size_t rows);

// The reference: one memcpy per row. The vector kernels equal it byte for byte.
void copyRowsC(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
               std::size_t rows);
// Built only for their architecture: need the orv::kCpuSSE2, orv::kCpuAVX2
// and orv::kCpuNEON feature bits respectively.
void copyRowsSse2(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows);
void copyRowsAvx2(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows);
void copyRowsNeon(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows);

// The fastest kernel that `cpuFeatures` (a word of orv::CpuFeature bits) allows.
RowCopyKernel rowCopyKernelFor(std::uint32_t cpuFeatures);

// Through the kernel the processor's feature word picks, read on each call.
void copyRows(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
              std::size_t rows);

}  // namespace orv_filter
