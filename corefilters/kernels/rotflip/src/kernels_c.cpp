// Plain C++ kernels: the baseline when no vector unit may be used, and the
// 3-byte transposition at every level.
#include "pixel_micros.h"
#include "rotflip_kernels.h"
#include "transpose_tiles.h"

namespace orv_filter::rotflip_detail {
namespace {

template <unsigned B>
void mirrorRow(const BYTE* src, BYTE* dst, std::ptrdiff_t width) {
  const BYTE* s = src + width * B;
  for (std::ptrdiff_t x = 0; x < width; ++x, dst += B) {
    s -= B;
    std::memcpy(dst, s, B);
  }
}

template <unsigned B>
void mirrorRows(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                LONG rows) {
  for (LONG r = 0; r < rows; ++r) mirrorRow<B>(src + r * srcStride, dst + r * dstStride, width);
}

}  // namespace

void mirrorRow1_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width) { mirrorRow<1>(src, dst, width); }
void mirrorRow2_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width) { mirrorRow<2>(src, dst, width); }
void mirrorRow3_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width) { mirrorRow<3>(src, dst, width); }
void mirrorRow4_C(const BYTE* src, BYTE* dst, std::ptrdiff_t width) { mirrorRow<4>(src, dst, width); }

void mirrorRows1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows) {
  mirrorRows<1>(src, srcStride, dst, dstStride, width, rows);
}
void mirrorRows2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows) {
  mirrorRows<2>(src, srcStride, dst, dstStride, width, rows);
}
void mirrorRows3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows) {
  mirrorRows<3>(src, srcStride, dst, dstStride, width, rows);
}
void mirrorRows4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::ptrdiff_t width,
                   LONG rows) {
  mirrorRows<4>(src, srcStride, dst, dstStride, width, rows);
}

void copyRows_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, std::size_t rowBytes,
                LONG rows) {
  for (LONG r = 0; r < rows; ++r) std::memcpy(dst + r * dstStride, src + r * srcStride, rowBytes);
}

void transposePlane1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposePlane<PixelMicro<1>, 64, 64, 256, 64>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposePlane<PixelMicro<2>, 32, 32, 128, 32>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposePlane<Pixel3Micro, 64, 32, 64, 32>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposePlane<PixelMicro<4>, 8, 64, 64, 64>(src, srcStride, dst, dstStride, width, height);
}

}  // namespace orv_filter::rotflip_detail
