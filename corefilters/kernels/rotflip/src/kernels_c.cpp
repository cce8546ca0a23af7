// Plain C++ kernels: the baseline when no vector unit may be used, and the
// 3-byte transposition at every level.
#include "rotflip_kernels.h"
#include "transpose_tiles.h"

namespace orv_filter::rotflip_detail {
namespace {

template <unsigned B>
void mirrorRow(const BYTE* src, BYTE* dst, LONG width) {
  const BYTE* s = src + std::ptrdiff_t{width} * B;
  for (LONG x = 0; x < width; ++x, dst += B) {
    s -= B;
    std::memcpy(dst, s, B);
  }
}

// One pixel per call; the tile loops around it give the blocked walk.
template <unsigned B, LONG BlockSide>
struct PixelMicro {
  static constexpr unsigned kBytes = B;
  static constexpr LONG kRows = 1, kCols = 1;
  static constexpr LONG kBlockRows = BlockSide, kBlockCols = BlockSide;
  static void run(const BYTE* src, std::ptrdiff_t, BYTE* tile) { std::memcpy(tile, src, B); }
};

}  // namespace

void mirrorRow1_C(const BYTE* src, BYTE* dst, LONG width) { mirrorRow<1>(src, dst, width); }
void mirrorRow2_C(const BYTE* src, BYTE* dst, LONG width) { mirrorRow<2>(src, dst, width); }
void mirrorRow3_C(const BYTE* src, BYTE* dst, LONG width) { mirrorRow<3>(src, dst, width); }
void mirrorRow4_C(const BYTE* src, BYTE* dst, LONG width) { mirrorRow<4>(src, dst, width); }

void transposePlane1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposeTiled<PixelMicro<1, 64>>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposeTiled<PixelMicro<2, 32>>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposeTiled<PixelMicro<3, 32>>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposeTiled<PixelMicro<4, 16>>(src, srcStride, dst, dstStride, width, height);
}

}  // namespace orv_filter::rotflip_detail
