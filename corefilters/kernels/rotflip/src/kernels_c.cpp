// Plain C++ kernels: the baseline when no vector unit may be used, the
// narrow rows of the vector mirrors, and the 3-byte transposition.
#include "pixel_micros.h"
#include "rotflip_kernels.h"
#include "transpose_tiles.h"

namespace orv_filter::rotflip_detail {
namespace {

inline void store64(BYTE* p, std::uint64_t v) { std::memcpy(p, &v, 8); }

// The pixels of a 64-bit word in reverse order (little-endian words).
template <unsigned B>
inline std::uint64_t reversePixels(std::uint64_t v) {
  if constexpr (B == 1) return __builtin_bswap64(v);
  v = (v >> 32) | (v << 32);
  if constexpr (B == 2) v = ((v >> 16) & 0x0000FFFF0000FFFFull) | ((v & 0x0000FFFF0000FFFFull) << 16);
  return v;
}

// Words of whole pixels from the row's end: 8 bytes for 1, 2 and 4-byte
// pixels, four 3-byte pixels as 8 + 4 bytes; the rest pixel by pixel.
template <unsigned B>
void mirrorRow(const BYTE* src, BYTE* dst, std::ptrdiff_t width) {
  constexpr std::ptrdiff_t kPixels = B == 3 ? 4 : 8 / B;
  const BYTE* s = src + width * B;
  std::ptrdiff_t x = 0;
  for (; x + kPixels <= width; x += kPixels, dst += kPixels * B) {
    s -= kPixels * B;
    if constexpr (B == 3) {
      // Bytes 0..11 are pixels p0 p1 p2 p3; written as p3 p2 p1 p0.
      const std::uint64_t lo = load64(s);
      const std::uint64_t hi = load32(s + 8);
      store64(dst, ((hi >> 8) & 0xFFFFFF) | ((lo >> 48) << 24) | ((hi & 0xFF) << 40) | (((lo >> 24) & 0xFFFF) << 48));
      store32(dst + 8, static_cast<std::uint32_t>(((lo >> 40) & 0xFF) | ((lo & 0xFFFFFF) << 8)));
    } else {
      store64(dst, reversePixels<B>(load64(s)));
    }
  }
  for (; x < width; ++x, dst += B) {
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


void transposePlane1_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed) {
  transposePlane<PixelMicro<1>, 64, 64, 256, 64>(src, srcStride, dst, dstStride, width, height, streamed);
}
void transposePlane2_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed) {
  transposePlane<PixelMicro<2>, 32, 32, 128, 32>(src, srcStride, dst, dstStride, width, height, streamed);
}
void transposePlane3_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed) {
  transposePlane<Pixel3Micro, 64, 32, 64, 32>(src, srcStride, dst, dstStride, width, height, streamed);
}
void transposePlane4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height, bool streamed) {
  transposePlane<PixelMicro<4>, 8, 64, 64, 64>(src, srcStride, dst, dstStride, width, height, streamed);
}

}  // namespace orv_filter::rotflip_detail
