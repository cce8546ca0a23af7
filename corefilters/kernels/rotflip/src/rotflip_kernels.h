// The row and plane kernels behind the case operations, one set per
// instruction-set level. Each kernel has a plain C++ twin (suffix _C) that
// produces the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/wintypes.h"

namespace orv_filter::rotflip_detail {

// Writes the `width` pixels of src to dst in reverse order.
using MirrorRowFn = void (*)(const BYTE* src, BYTE* dst, LONG width);

// Destination row c, column r = source row r, column c, for a source of
// `width` x `height` pixels. Strides are in bytes and may be negative.
using TransposeFn = void (*)(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                             LONG width, LONG height);

struct RotFlipKernels {
  MirrorRowFn mirrorRow[4];  // by bytes per pixel - 1
  TransposeFn transpose[4];
};

// The fastest set the feature word allows: AVX2, else SSE2, else plain C++.
const RotFlipKernels& rotFlipKernelsFor(std::uint32_t features);

void mirrorRow1_C(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow2_C(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow3_C(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow4_C(const BYTE* src, BYTE* dst, LONG width);
void transposePlane1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height);
void transposePlane2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height);
void transposePlane3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height);
void transposePlane4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height);

void mirrorRow1_SSE2(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow2_SSE2(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow4_SSE2(const BYTE* src, BYTE* dst, LONG width);
void transposePlane1_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height);
void transposePlane2_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height);
void transposePlane4_SSE2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height);

void mirrorRow1_AVX2(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow2_AVX2(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow3_AVX2(const BYTE* src, BYTE* dst, LONG width);
void mirrorRow4_AVX2(const BYTE* src, BYTE* dst, LONG width);
void transposePlane1_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height);
void transposePlane2_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height);
void transposePlane4_AVX2(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                          LONG height);

}  // namespace orv_filter::rotflip_detail
