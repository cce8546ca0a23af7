// The row and plane kernels behind the case operations, one set per
// instruction-set level. Each kernel has a plain C++ twin that produces the
// same bytes: suffix _C here, copyRowsC for the row copies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/wintypes.h"
#include "row_copy.h"

namespace orv_filter::rotflip_detail {

// Destination row r = source row r with its `width` pixels in reverse order,
// for `rows` rows. Strides are in bytes and may be negative.
using MirrorRowsFn = void (*)(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                              std::ptrdiff_t width, LONG rows);

// Destination row c, column r = source row r, column c, for a source of
// `width` x `height` pixels. Strides are in bytes and may be negative.
// `streamed`: with non-temporal stores, where the level has them and the
// destination pitch lets every store fill whole lines.
using TransposeFn = void (*)(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                             LONG height, bool streamed);

// The ...Large kernels are for frames too large for the caches: they write
// with non-temporal stores where the instruction set has them.
struct RotFlipKernels {
  MirrorRowsFn mirrorRows[4];  // by bytes per pixel - 1
  MirrorRowsFn mirrorRowsLarge[4];
  RowCopyKernel copyRows;
  RowCopyKernel copyRowsLarge;
  TransposeFn transpose[4];
};

// A destination frame of at least this many bytes cannot stay in the caches
// beside its source, so writing it needs no reads of its lines: the row
// copies switch to non-temporal stores.
constexpr std::size_t kLargeFrameBytes = std::size_t{12} << 20;

// Row mirrors switch from a smaller frame. Streamed, 1920x1080 RGB32 frames
// (8 MB) were mirrored left to right 1.2-2 times as fast from memory; in the
// caches they lose a fifth, as do frames of 5 and 6 MB (Y800, RGB24), which
// is why a caller that times its frames may overrule this size (RowStores).
constexpr std::size_t kLargeMirrorBytes = std::size_t{7} << 20;

// A quarter turn writes its destination band by band, not in rising lines,
// and every line its ordinary stores touch must first be read. From 4 MB,
// at least twice a core's own cache (1 or 2 MB of level 2 on the x86 cores
// measured), those reads come from the shared cache or memory, and turns
// stream their stores instead. A filter after the turn then reads the frame
// from memory: on one thread that can cost it more than the turn saves, but
// a frame handed to another core leaves the turn a third to half faster. So
// the filter times its own turns (RowStores) and this size serves callers
// that do not.
constexpr std::size_t kLargeTurnBytes = std::size_t{4} << 20;

// The fastest set the feature word allows: the plain C++ set, upgraded by the
// ladder of kernel_ladder.h (SSE2, then AVX2 on x86; NEON on AArch64).
const RotFlipKernels& rotFlipKernelsFor(std::uint32_t features);

// One row, for the vector kernels' narrow rows.
void mirrorRow1_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width);
void mirrorRow2_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width);
void mirrorRow3_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width);
void mirrorRow4_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width);
void mirrorRows1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows);
void mirrorRows2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows);
void mirrorRows3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows);
void mirrorRows4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows);
void transposePlane1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed);
void transposePlane2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed);
void transposePlane3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed);
void transposePlane4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed);

// The vector sets, each gathered in its own unit from the shared vector
// kernels and built only for its architecture.
const RotFlipKernels& rotFlipKernels_SSE2();
const RotFlipKernels& rotFlipKernels_AVX2();
const RotFlipKernels& rotFlipKernels_NEON();

// The SSE2 kernel that the AVX2 set uses as well.
void copyRowsStreaming_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                            std::size_t rowBytes, std::size_t rows);

}  // namespace orv_filter::rotflip_detail
