// Every case against the displayed turn-then-mirror mapping, through the
// generic kernel and through the case table.
#include <gtest/gtest.h>

#include <vector>

#include "frame_oracle.h"
#include "rotflip/rotflip_frames.h"
#include "rotflip_pixels.h"

namespace {

using namespace rotflip_test;
using orv_filter::rotFlipRawCaseTable;
using orv_filter::rotFlipReference;

const Size kMappingSizes[] = {{1, 1}, {5, 3}, {3, 5}, {7, 9}, {9, 1}, {1, 6}, {8, 4}, {4, 8}, {12, 8}, {16, 16}};

TEST(RotFlipMapping, GenericKernelAndCasesFollowTheDisplayedMapping) {
  for (unsigned b = 1; b <= 4; ++b) {
    for (bool topDown : {true, false}) {
      for (const Size s : kMappingSizes) {
        const std::size_t bytes = static_cast<std::size_t>(s.w) * s.h * b;
        std::vector<BYTE> src(bytes);
        fillRandom(src.data(), bytes, 7 * b + s.w * 31 + s.h);
        for (unsigned index = 1; index < 16; ++index) {
          SCOPED_TRACE(testing::Message() << "index " << index << ", B " << b << ", " << s.w << "x" << s.h
                                          << (topDown ? " top-down" : " bottom-up"));
          const std::vector<BYTE> expected = expectedFrame(index, src.data(), s.w, s.h, b, topDown);

          std::vector<BYTE> viaReference(bytes, 0xA5);
          ASSERT_TRUE(rotFlipReference(index, framesFor(index, src.data(), viaReference.data(), s.w, s.h, b, topDown)));
          EXPECT_EQ(viaReference, expected);

          std::vector<BYTE> viaCase(bytes, 0x5A);
          ASSERT_TRUE(rotFlipRawCaseTable[index](framesFor(index, src.data(), viaCase.data(), s.w, s.h, b, topDown)));
          EXPECT_EQ(viaCase, expected);
        }
      }
    }
  }
}

TEST(RotFlipMapping, QuarterTurnOfFiveByThree) {
  // 8-bit 5 x 3 at index 4 becomes 3 x 5; displayed (0, 0) goes to (2, 0)
  // and (4, 2) to (0, 4), whichever way the rows are stored.
  std::vector<BYTE> src(15);
  for (BYTE i = 0; i < 15; ++i) src[i] = static_cast<BYTE>(100 + i);
  for (bool topDown : {true, false}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    const auto srcAt = [&](LONG x, LONG y) { return src[(topDown ? y : 2 - y) * 5 + x]; };
    std::vector<BYTE> dst(15, 0);
    const orv_filter::RotFlipFrames f = framesFor(4, src.data(), dst.data(), 5, 3, 1, topDown);
    ASSERT_EQ(f.destWidth, 3);
    ASSERT_EQ(f.destHeight, 5);
    ASSERT_TRUE(rotFlipRawCaseTable[4](f));
    const auto dstAt = [&](LONG x, LONG y) { return dst[(topDown ? y : 4 - y) * 3 + x]; };
    EXPECT_EQ(dstAt(2, 0), srcAt(0, 0));
    EXPECT_EQ(dstAt(0, 4), srcAt(4, 2));
    EXPECT_EQ(dstAt(0, 0), srcAt(0, 2));  // bottom-left comes to the top-left
  }
}

TEST(RotFlipMapping, OnePixelIsUnchangedByEveryCase) {
  for (unsigned b = 1; b <= 4; ++b) {
    const BYTE src[4] = {1, 2, 3, 4};
    for (unsigned index = 1; index < 16; ++index) {
      BYTE dst[4] = {9, 9, 9, 9};
      ASSERT_TRUE(rotFlipRawCaseTable[index](framesFor(index, src, dst, 1, 1, b, true)));
      for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(dst[i], i < b ? src[i] : 9) << "index " << index << ", B " << b;
    }
  }
}

TEST(RotFlipMapping, LikeEffectsGiveLikeBytes) {
  // Index 11 is a plain copy; 3 and 8 are both half turns, 1 and 10 both
  // left-right mirrors, 2 and 9 top-bottom mirrors, and the quarter-turn
  // pairs (4, 15), (5, 14), (6, 13), (7, 12) coincide too.
  const LONG w = 37, h = 21;
  const std::pair<unsigned, unsigned> pairs[] = {{3, 8}, {1, 10}, {2, 9}, {4, 15}, {5, 14}, {6, 13}, {7, 12}};
  for (unsigned b = 1; b <= 4; ++b) {
    for (bool topDown : {true, false}) {
      const std::size_t bytes = static_cast<std::size_t>(w) * h * b;
      std::vector<BYTE> src(bytes);
      fillRandom(src.data(), bytes, b);
      std::vector<BYTE> copy(bytes, 0);
      ASSERT_TRUE(rotFlipRawCaseTable[11](framesFor(11, src.data(), copy.data(), w, h, b, topDown)));
      EXPECT_EQ(copy, src);
      for (const auto& [i, j] : pairs) {
        std::vector<BYTE> a(bytes, 1), c(bytes, 2);
        ASSERT_TRUE(rotFlipRawCaseTable[i](framesFor(i, src.data(), a.data(), w, h, b, topDown)));
        ASSERT_TRUE(rotFlipRawCaseTable[j](framesFor(j, src.data(), c.data(), w, h, b, topDown)));
        EXPECT_EQ(a, c) << "indices " << i << " and " << j << ", B " << b;
      }
    }
  }
}

TEST(RotFlipMapping, StorageDirectionChangesBytesNotTheDisplayedImage) {
  // The same displayed 24-bit image stored both ways: after each case the
  // two destinations hold the same rows in opposite order. Width 5 makes a
  // 15-byte row with no padding.
  const LONG w = 5, h = 4;
  const unsigned b = 3;
  const std::size_t row = w * b, bytes = row * h;
  std::vector<BYTE> topDown(bytes);
  fillRandom(topDown.data(), bytes, 99);
  std::vector<BYTE> bottomUp(bytes);
  for (LONG r = 0; r < h; ++r) std::copy_n(&topDown[r * row], row, &bottomUp[(h - 1 - r) * row]);
  for (unsigned index = 1; index < 16; ++index) {
    std::vector<BYTE> a(bytes), c(bytes);
    ASSERT_TRUE(rotFlipRawCaseTable[index](framesFor(index, topDown.data(), a.data(), w, h, b, true)));
    ASSERT_TRUE(rotFlipRawCaseTable[index](framesFor(index, bottomUp.data(), c.data(), w, h, b, false)));
    const std::size_t destRow = (isQuarterTurn(index) ? h : w) * b;
    const std::size_t destRows = bytes / destRow;
    for (std::size_t r = 0; r < destRows; ++r) {
      EXPECT_TRUE(std::equal(&a[r * destRow], &a[r * destRow] + destRow, &c[(destRows - 1 - r) * destRow]))
          << "index " << index << ", row " << r;
    }
  }
}

}  // namespace
