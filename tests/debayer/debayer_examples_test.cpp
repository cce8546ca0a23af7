// Analytic cases of the demosaicing kernels, run through the public entry
// points (so through the fastest kernels of this processor).
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "assert_capture.h"
#include "debayer_test_support.h"
#include "kernel_levels.h"
#include "platform/orv_assert.h"
#include "transform_method.h"

namespace orv_filter::test {
namespace {

using Rgb = std::array<int, 3>;  // red, green, blue
using RgbRow = std::array<Rgb, 6>;

// Pixel (x, row) of a destination as (red, green, blue).
Rgb pixelOf(const std::vector<BYTE>& dst, int bpp, UINT width, std::size_t row, UINT x) {
  const BYTE* p = dst.data() + (row * width + x) * bpp;
  return {p[2], p[1], p[0]};
}

TEST(DeBayerParams, ParitiesFollowTheStartPattern) {
  struct Case {
    LONG pattern, redRow, redColumn;
  };
  for (const Case c : {Case{eRG, 1, 0}, Case{eGB, 1, 1}, Case{eGR, 0, 0}, Case{eBG, 0, 1}}) {
    const DeBayerParams p = makeDeBayerParams(c.pattern, eEdgeSensing);
    EXPECT_EQ(p.redRowParity, c.redRow) << c.pattern;
    EXPECT_EQ(p.redColumnParity, c.redColumn) << c.pattern;
    EXPECT_EQ(p.pattern, c.pattern);
    EXPECT_EQ(p.mode, eEdgeSensing);
  }
}

// W = 6, H = 4, start pattern GR: rows R G R G / G B G B / ...
TEST(DeBayerKernels, WorkedExample) {
  const std::vector<BYTE> src = {10, 20, 30, 200, 210, 220, 40, 50, 60, 230, 240, 250,
                                 15, 25, 35, 205, 215, 225, 45, 55, 65, 235, 245, 255};
  struct Case {
    LONG mode;
    RgbRow fromRow1, fromRow2;  // output of source rows 1 and 2
  };
  const Case cases[] = {
      {eNearestColor,
       {{{10, 40, 50}, {10, 40, 50}, {30, 60, 50}, {30, 60, 230}, {210, 240, 230}, {210, 240, 230}}},
       {{{15, 25, 50}, {15, 25, 50}, {35, 25, 50}, {35, 205, 230}, {215, 205, 230}, {215, 205, 230}}}},
      {eBilinear,
       {{{22, 36, 50}, {22, 36, 50}, {32, 60, 140}, {122, 176, 230}, {212, 240, 240}, {212, 240, 240}}},
       {{{25, 25, 52}, {25, 25, 52}, {35, 88, 142}, {125, 205, 232}, {215, 228, 242}, {215, 228, 242}}}},
      {eEdgeSensing,
       {{{22, 22, 50}, {22, 22, 50}, {32, 60, 140}, {122, 202, 230}, {212, 240, 240}, {212, 240, 240}}},
       {{{25, 25, 52}, {25, 25, 52}, {35, 62, 142}, {125, 205, 232}, {215, 242, 242}, {215, 242, 242}}}},
  };
  for (const Case& c : cases) {
    const DeBayerParams params = makeDeBayerParams(eGR, c.mode);
    for (int bpp : {3, 4}) {
      for (bool bottomUp : {true, false}) {
        SCOPED_TRACE(std::string(methodName(c.mode)) + " bpp " + std::to_string(bpp) +
                     (bottomUp ? " bottom-up" : " top-down"));
        std::vector<BYTE> dst(6 * 4 * bpp, 0x5A);
        runEntry(bpp, src.data(), dst.data(), 6, bottomUp ? -4 : 4, params);
        // Bottom-up: memory rows 0, 1 come from source row 1, rows 2, 3 from
        // source row 2. Top-down: the same rows in reverse memory order.
        const RgbRow* expected[4] = {&c.fromRow1, &c.fromRow1, &c.fromRow2, &c.fromRow2};
        for (std::size_t row = 0; row < 4; ++row) {
          const RgbRow& want = *expected[bottomUp ? row : 3 - row];
          for (UINT x = 0; x < 6; ++x) EXPECT_EQ(pixelOf(dst, bpp, 6, row, x), want[x]) << "row " << row << " x " << x;
        }
        if (bpp == 4) {
          for (std::size_t i = 3; i < dst.size(); i += 4) EXPECT_EQ(dst[i], 255) << i;
        }
        if (!bottomUp && bpp == 3) {
          const std::vector<BYTE> first(dst.begin(), dst.begin() + 3);
          const std::vector<BYTE> want = c.mode == eNearestColor ? std::vector<BYTE>{50, 25, 15}
                                                                 : std::vector<BYTE>{52, 25, 25};
          EXPECT_EQ(first, want);
        }
      }
    }
  }
}

TEST(DeBayerKernels, FlatGreyStaysFlat) {
  for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
    for (LONG pattern = 0; pattern < 4; ++pattern) {
      for (int bpp : {3, 4}) {
        for (UINT width : {4u, 7u, 64u, 101u}) {
          const LONG height = 5;
          const BYTE grey = static_cast<BYTE>(37 + 50 * pattern + mode);
          std::vector<BYTE> src(width * height, grey);
          std::vector<BYTE> dst(width * height * bpp, 0);
          runEntry(bpp, src.data(), dst.data(), width, pattern % 2 ? -height : height, makeDeBayerParams(pattern, mode));
          for (std::size_t i = 0; i < dst.size(); ++i) {
            ASSERT_EQ(dst[i], bpp == 4 && i % 4 == 3 ? 255 : grey)
                << methodName(mode) << " pattern " << pattern << " bpp " << bpp << " width " << width << " byte " << i;
          }
        }
      }
    }
  }
}

// At a red or blue site with equal gradients the four neighbours are averaged:
// L = 10, R = 30, U = 40, D = 20 gives green 25 (not 20 or 30).
TEST(DeBayerKernels, EdgeSensingTieAveragesAllFour) {
  // Pattern GR; the centre (1, 1) of a 4 x 3 frame is a blue site.
  const std::vector<BYTE> src = {0, 40, 0, 0,   //
                                 10, 99, 30, 0,  //
                                 0, 20, 0, 0};
  std::vector<BYTE> dst(4 * 3 * 3);
  deBayerToRGB24(src.data(), dst.data(), 4, -3, makeDeBayerParams(eGR, eEdgeSensing));
  EXPECT_EQ(dst[1], 25);                      // column 0 repeats column 1
  EXPECT_EQ(pixelOf(dst, 3, 4, 1, 1), (Rgb{0, 25, 99}));

  // With one gradient weaker, green follows it.
  std::vector<BYTE> steep = src;
  steep[6] = 34;  // R: h = 24 > v = 20, so interpolate along the column
  deBayerToRGB24(steep.data(), dst.data(), 4, -3, makeDeBayerParams(eGR, eEdgeSensing));
  EXPECT_EQ(pixelOf(dst, 3, 4, 1, 1)[1], 30);
  steep[6] = 26;  // h = 16 < v = 20: along the row
  deBayerToRGB24(steep.data(), dst.data(), 4, -3, makeDeBayerParams(eGR, eEdgeSensing));
  EXPECT_EQ(pixelOf(dst, 3, 4, 1, 1)[1], 18);
}

// Structural facts of the walk: three rows all equal the middle one, and the
// two border columns on each side are equal, for every method and width.
TEST(DeBayerKernels, BordersRepeatTheirNeighbours) {
  std::mt19937 rng(7);
  for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
    for (int bpp : {3, 4}) {
      for (UINT width : {4u, 5u, 9u, 40u, 77u}) {
        for (LONG height : {3, -3, 6, -7}) {
          const std::size_t rows = rowsOf(height);
          std::vector<BYTE> src(width * rows);
          for (BYTE& b : src) b = static_cast<BYTE>(rng());
          std::vector<BYTE> dst(width * rows * bpp, 0);
          runEntry(bpp, src.data(), dst.data(), width, height, makeDeBayerParams(static_cast<LONG>(rng() % 4), mode));
          const std::size_t stride = width * bpp;
          auto row = [&](std::size_t r) { return std::vector<BYTE>(dst.begin() + r * stride, dst.begin() + (r + 1) * stride); };
          SCOPED_TRACE(std::string(methodName(mode)) + " bpp " + std::to_string(bpp) + " " + std::to_string(width) + "x" +
                       std::to_string(height));
          EXPECT_EQ(row(0), row(1));
          EXPECT_EQ(row(rows - 1), row(rows - 2));
          if (rows == 3) {
            EXPECT_EQ(row(1), row(2));
          }
          for (std::size_t r = 0; r < rows; ++r) {
            EXPECT_EQ(pixelOf(dst, bpp, width, r, 0), pixelOf(dst, bpp, width, r, 1)) << r;
            EXPECT_EQ(pixelOf(dst, bpp, width, r, width - 1), pixelOf(dst, bpp, width, r, width - 2)) << r;
          }
        }
      }
    }
  }
}

TEST(DeBayerKernels, ThirtyTwoBitOutputCarriesTheSameColours) {
  std::mt19937 rng(11);
  const UINT width = 53;
  const LONG height = -9;
  std::vector<BYTE> src(width * 9);
  for (BYTE& b : src) b = static_cast<BYTE>(rng());
  for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
    std::vector<BYTE> rgb(width * 9 * 3), rgba(width * 9 * 4);
    deBayerToRGB24(src.data(), rgb.data(), width, height, makeDeBayerParams(eBG, mode));
    deBayerToRGB32(src.data(), rgba.data(), width, height, makeDeBayerParams(eBG, mode));
    for (std::size_t i = 0; i < width * 9; ++i) {
      ASSERT_EQ(rgba[4 * i + 0], rgb[3 * i + 0]) << i;
      ASSERT_EQ(rgba[4 * i + 1], rgb[3 * i + 1]) << i;
      ASSERT_EQ(rgba[4 * i + 2], rgb[3 * i + 2]) << i;
      ASSERT_EQ(rgba[4 * i + 3], 255) << i;
    }
  }
}

// Frames too small to demosaic are left alone, and nothing outside the
// buffers is touched.
TEST(DeBayerKernels, TinyFramesWriteNothing) {
  for (UINT width = 0; width < 9; ++width) {
    for (LONG height = -5; height <= 5; ++height) {
      const std::size_t rows = rowsOf(height);
      if (width >= 4 && rows >= 3) continue;
      for (int bpp : {3, 4}) {
        for (const orv_test::KernelLevel& level : orv_test::kernelLevels()) {
          for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
            GuardedBuffer src(width * rows), dst(width * rows * bpp);
            src.fill(9);
            dst.fill(0xEE);
            deBayerDispatch(deBayerKernelTableFor(level.features, bpp), src.data(), dst.data(), width, height, makeDeBayerParams(eRG, mode));
            EXPECT_EQ(dst.bytes(), std::vector<BYTE>(dst.size(), 0xEE)) << width << "x" << height;
            EXPECT_TRUE(dst.guardsIntact() && src.guardsIntact()) << width << "x" << height;
          }
        }
      }
    }
  }
}

TEST(DeBayerKernels, ModeOutOfRangeAssertsAndWritesNothing) {
  std::vector<BYTE> src(8 * 4, 100);
  for (LONG mode : {3, -1, 0x7FFFFFFF}) {
    for (int bpp : {3, 4}) {
      orv_test::AssertCapture asserts;
      std::vector<BYTE> dst(8 * 4 * bpp, 0x11);
      runEntry(bpp, src.data(), dst.data(), 8, -4, makeDeBayerParams(eGR, mode));
      EXPECT_EQ(asserts.failures(), 1) << mode;
      EXPECT_EQ(asserts.lastExpression(), "mode <= tDeBayerOptions::eEdgeSensing");
      EXPECT_EQ(dst, std::vector<BYTE>(dst.size(), 0x11)) << mode;
    }
  }
}

}  // namespace
}  // namespace orv_filter::test
