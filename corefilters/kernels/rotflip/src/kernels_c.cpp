// Plain C++ kernels: the baseline when no vector unit may be used, and the
// 3-byte transposition at every level.
#include <cstdint>

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

// One pixel per call; the block loops around it give the blocked walk.
template <unsigned B>
struct PixelMicro {
  static constexpr unsigned kBytes = B;
  static constexpr LONG kRows = 1, kCols = 1;
  static constexpr bool kTileOnly = false;
  static constexpr std::ptrdiff_t kTilePad = 0;
  static void run(const BYTE* src, std::ptrdiff_t, BYTE* out, std::ptrdiff_t) { std::memcpy(out, src, B); }
  template <std::ptrdiff_t Bytes>
  static void copyRow(BYTE* dst, const BYTE* tile) {
    std::memcpy(dst, tile, Bytes);
  }
};

inline std::uint64_t load64(const BYTE* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline std::uint32_t load32(const BYTE* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void store32(BYTE* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Four 3-byte pixels of one source row (12 bytes, read as 8 + 4) go to four
// tile rows as 4-byte stores. The fourth byte of each store lands on the
// next pixel of that tile row, which the next source row writes later, or in
// the tile row's slack, so this kernel only ever writes into the tile.
// Little-endian byte order, as on every x86.
struct Pixel3Micro {
  static constexpr unsigned kBytes = 3;
  static constexpr LONG kRows = 1, kCols = 4;
  static constexpr bool kTileOnly = true;
  static constexpr std::ptrdiff_t kTilePad = 4;
  static void run(const BYTE* src, std::ptrdiff_t, BYTE* tile, std::ptrdiff_t tileStride) {
    const std::uint64_t lo = load64(src);
    const std::uint32_t hi = load32(src + 8);
    store32(tile, static_cast<std::uint32_t>(lo));
    store32(tile + tileStride, static_cast<std::uint32_t>(lo >> 24));
    store32(tile + 2 * tileStride, static_cast<std::uint32_t>(lo >> 48) | (hi << 16));
    store32(tile + 3 * tileStride, hi >> 8);
  }
  template <std::ptrdiff_t Bytes>
  static void copyRow(BYTE* dst, const BYTE* tile) {
    std::memcpy(dst, tile, Bytes);
  }
};

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
  transposeBlocks<Pixel3Micro, 64, 32, true>(src, srcStride, dst, dstStride, width, height);
}
void transposePlane4_C(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride, LONG width,
                       LONG height) {
  transposePlane<PixelMicro<4>, 8, 64, 64, 64>(src, srcStride, dst, dstStride, width, height);
}

}  // namespace orv_filter::rotflip_detail
