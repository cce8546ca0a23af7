#include "rotflip/rotflip_sse2_blocks.h"

#include <emmintrin.h>

#include <cstddef>
#include <cstring>

#include "platform/orv_assert.h"

namespace orv_filter {
namespace {

inline __m128i load(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(BYTE* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Pixel (col, row) of a frame `width` pixels wide.
inline std::ptrdiff_t at(LONG width, LONG col, LONG row) { return (std::ptrdiff_t{row} * width + col) * 4; }

// Transposes the 4 x 4 block held as rows r0..r3; t[k] becomes column k.
inline void transpose4(__m128i r0, __m128i r1, __m128i r2, __m128i r3, __m128i (&t)[4]) {
  const __m128i a = _mm_unpacklo_epi32(r0, r1), b = _mm_unpacklo_epi32(r2, r3);
  const __m128i c = _mm_unpackhi_epi32(r0, r1), d = _mm_unpackhi_epi32(r2, r3);
  t[0] = _mm_unpacklo_epi64(a, b);
  t[1] = _mm_unpackhi_epi64(a, b);
  t[2] = _mm_unpacklo_epi64(c, d);
  t[3] = _mm_unpackhi_epi64(c, d);
}

inline __m128i reversed(__m128i v) { return _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)); }

// The destination is H' = W rows of W' = H pixels.
inline void storeBlock(BYTE* dst, LONG height, LONG destCol, LONG destRow, const __m128i (&rows)[4]) {
  for (LONG j = 0; j < 4; ++j) store(dst + at(height, destCol, destRow + j), rows[j]);
}

using BlockFn = void (*)(const BYTE*, BYTE*, LONG, LONG, LONG, LONG);

BlockFn blockFn(BlockTurn turn) {
  switch (turn) {
    case BlockTurn::clockwise:
      return turnBlock4x4Clockwise;
    case BlockTurn::counterClockwise:
      return turnBlock4x4CounterClockwise;
    case BlockTurn::transpose:
      return turnBlock4x4Transpose;
    case BlockTurn::antiTranspose:
      return turnBlock4x4AntiTranspose;
  }
  return turnBlock4x4Transpose;
}

}  // namespace

void mirrorRows4(const BYTE* src, BYTE* dst, LONG width, LONG height, bool keepRowOrder) {
  for (LONG r = 0; r < height; ++r) {
    const LONG dr = keepRowOrder ? r : height - 1 - r;
    for (LONG c = 0; c < width; c += 4) {
      store(dst + at(width, width - 4 - c, dr), reversed(load(src + at(width, c, r))));
    }
  }
}

void reverseRows4(const BYTE* src, BYTE* dst, LONG width, LONG height) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  for (LONG r = 0; r < height; ++r) std::memcpy(dst + at(width, 0, height - 1 - r), src + at(width, 0, r), rowBytes);
}

void copyFrame4(const BYTE* src, BYTE* dst, LONG width, LONG height) {
  std::memcpy(dst, src, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
}

// Source (c, r) -> destination (H-1-r, c): destination row destRow + j,
// column destCol + i comes from source row H-1-destCol-i, column destRow + j.
void turnBlock4x4Clockwise(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow) {
  const LONG r = height - 4 - destCol;
  __m128i t[4];
  transpose4(load(src + at(width, destRow, r + 3)), load(src + at(width, destRow, r + 2)),
             load(src + at(width, destRow, r + 1)), load(src + at(width, destRow, r)), t);
  storeBlock(dst, height, destCol, destRow, t);
}

// Source (c, r) -> destination (r, W-1-c).
void turnBlock4x4CounterClockwise(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow) {
  const LONG c = width - 4 - destRow;
  __m128i t[4];
  transpose4(load(src + at(width, c, destCol)), load(src + at(width, c, destCol + 1)),
             load(src + at(width, c, destCol + 2)), load(src + at(width, c, destCol + 3)), t);
  const __m128i rows[4] = {t[3], t[2], t[1], t[0]};
  storeBlock(dst, height, destCol, destRow, rows);
}

// Source (c, r) -> destination (r, c).
void turnBlock4x4Transpose(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow) {
  __m128i t[4];
  transpose4(load(src + at(width, destRow, destCol)), load(src + at(width, destRow, destCol + 1)),
             load(src + at(width, destRow, destCol + 2)), load(src + at(width, destRow, destCol + 3)), t);
  storeBlock(dst, height, destCol, destRow, t);
}

// Source (c, r) -> destination (H-1-r, W-1-c).
void turnBlock4x4AntiTranspose(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow) {
  const LONG r = height - 4 - destCol, c = width - 4 - destRow;
  __m128i t[4];
  transpose4(load(src + at(width, c, r + 3)), load(src + at(width, c, r + 2)), load(src + at(width, c, r + 1)),
             load(src + at(width, c, r)), t);
  const __m128i rows[4] = {t[3], t[2], t[1], t[0]};
  storeBlock(dst, height, destCol, destRow, rows);
}

void turnFrame4(BlockTurn turn, const BYTE* src, BYTE* dst, LONG width, LONG height) {
  const BlockFn fn = blockFn(turn);
  for (LONG destRow = 0; destRow < width; destRow += 4) {
    for (LONG destCol = 0; destCol < height; destCol += 4) fn(src, dst, width, height, destCol, destRow);
  }
}

bool rotFlipSse2Case(unsigned index, const RotFlipFrames& frames) {
  if (index < 1 || index > 15 || frames.bytesPerPixel != 4) return false;
  const LONG srcDimx = frames.width, srcDimy = frames.height;
  const LONG destDimx = frames.destWidth, destDimy = frames.destHeight;
  if (srcDimx < 0 || srcDimy < 0 || srcDimx % 4 != 0 || srcDimy % 4 != 0) return false;
  const bool quarter = (index / 4) % 2 == 1;
  if (!quarter && !ORV_CHECK(srcDimx == destDimx && srcDimy == destDimy)) return false;
  if (quarter && !ORV_CHECK(srcDimx == destDimy && srcDimy == destDimx)) return false;

  const BYTE* src = frames.src;
  BYTE* dst = frames.dst;
  const bool td = frames.storedTopDown;
  // For the quarter turns: the block turn for frames stored top-down, and
  // for frames stored bottom-up, per index 4..7 (12..15 run the turns of
  // 7..4 reversed: 12 is 7, 13 is 6, 14 is 5, 15 is 4).
  constexpr BlockTurn kTopDown[4] = {BlockTurn::clockwise, BlockTurn::transpose, BlockTurn::antiTranspose,
                                     BlockTurn::counterClockwise};
  constexpr BlockTurn kBottomUp[4] = {BlockTurn::counterClockwise, BlockTurn::antiTranspose, BlockTurn::transpose,
                                      BlockTurn::clockwise};
  switch (index) {
    case 1:
    case 10:
      mirrorRows4(src, dst, srcDimx, srcDimy, true);
      break;
    case 2:
    case 9:
      reverseRows4(src, dst, srcDimx, srcDimy);
      break;
    case 3:
    case 8:
      mirrorRows4(src, dst, srcDimx, srcDimy, false);
      break;
    case 11:
      copyFrame4(src, dst, srcDimx, srcDimy);
      break;
    default: {
      const unsigned k = index < 8 ? index - 4 : 15 - index;
      turnFrame4(td ? kTopDown[k] : kBottomUp[k], src, dst, srcDimx, srcDimy);
      break;
    }
  }
  return true;
}

}  // namespace orv_filter
