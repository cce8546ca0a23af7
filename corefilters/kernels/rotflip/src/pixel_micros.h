// Scalar micro-kernels for the blocked transposition (see
// transpose_tiles.h): one pixel per call for any size, and groups of four
// 3-byte pixels. Shared by the plain C++ and SSE2 units; the unnamed
// namespace keeps each unit's copy to itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/wintypes.h"

namespace orv_filter::rotflip_detail {
namespace {

// One pixel per call; the block loops around it give the blocked walk.
template <unsigned B>
struct PixelMicro {
  static constexpr unsigned kBytes = B;
  static constexpr LONG kRows = 1, kCols = 1;
  static constexpr bool kTileOnly = false, kCanStream = false;
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
// Little-endian byte order, as on x86 and on AArch64 Linux.
struct Pixel3Micro {
  static constexpr unsigned kBytes = 3;
  static constexpr LONG kRows = 1, kCols = 4;
  static constexpr bool kTileOnly = true, kCanStream = false;
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
}  // namespace orv_filter::rotflip_detail
