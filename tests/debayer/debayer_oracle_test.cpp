// The scalar kernels against a naive oracle that decides every sample's colour
// from its own (x, y) parity and interpolates each missing channel from the
// nearest neighbours that carry it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "debayer_test_support.h"
#include "transform_method.h"

namespace orv_filter::test {
namespace {

enum Channel { kBlue = 0, kGreen = 1, kRed = 2 };

struct Mosaic {
  const std::vector<BYTE>& samples;
  int width;
  DeBayerParams params;

  int at(int x, int y) const { return samples[static_cast<std::size_t>(y) * width + x]; }
  Channel colour(int x, int y) const {
    const bool redRow = y % 2 == params.redRowParity;
    const bool redColumn = x % 2 == params.redColumnParity;
    if (redRow) return redColumn ? kRed : kGreen;
    return redColumn ? kGreen : kBlue;
  }

  // Mean of the listed neighbours that carry `ch`, rounded down.
  int meanOf(int x, int y, Channel ch, std::initializer_list<std::pair<int, int>> offsets) const {
    int sum = 0, count = 0;
    for (auto [dx, dy] : offsets) {
      if (colour(x + dx, y + dy) == ch) {
        sum += at(x + dx, y + dy);
        ++count;
      }
    }
    return count ? sum / count : -1;
  }

  int bilinear(int x, int y, Channel ch) const {
    if (colour(x, y) == ch) return at(x, y);
    const int straight = meanOf(x, y, ch, {{-1, 0}, {1, 0}, {0, -1}, {0, 1}});
    return straight >= 0 ? straight : meanOf(x, y, ch, {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}});
  }

  int edgeSensing(int x, int y, Channel ch) const {
    if (ch != kGreen || colour(x, y) == kGreen) return bilinear(x, y, ch);
    const int h = std::abs(at(x - 1, y) - at(x + 1, y));
    const int v = std::abs(at(x, y - 1) - at(x, y + 1));
    if (h < v) return meanOf(x, y, ch, {{-1, 0}, {1, 0}});
    if (h > v) return meanOf(x, y, ch, {{0, -1}, {0, 1}});
    return bilinear(x, y, ch);
  }

  // From the 2 x 2 cell reaching left and up; green from the current row.
  int nearest(int x, int y, Channel ch) const {
    for (int dy : {0, -1}) {
      for (int dx : {0, -1}) {
        if (colour(x + dx, y + dy) == ch) return at(x + dx, y + dy);
      }
    }
    return -1;
  }

  int value(LONG mode, int x, int y, Channel ch) const {
    switch (mode) {
      case eNearestColor:
        return nearest(x, y, ch);
      case eBilinear:
        return bilinear(x, y, ch);
      default:
        return edgeSensing(x, y, ch);
    }
  }
};

// The whole destination as the oracle sees it: every output pixel takes the
// value computed at the nearest position with a full neighbourhood.
std::vector<BYTE> oracleFrame(const std::vector<BYTE>& src, int width, LONG signedHeight, const DeBayerParams& params,
                              int bpp) {
  const int rows = static_cast<int>(rowsOf(signedHeight));
  const Mosaic m{src, width, params};
  std::vector<BYTE> out(static_cast<std::size_t>(width) * rows * bpp);
  for (int memRow = 0; memRow < rows; ++memRow) {
    const int srcRow = signedHeight < 0 ? memRow : rows - 1 - memRow;
    const int y = std::clamp(srcRow, 1, rows - 2);
    for (int col = 0; col < width; ++col) {
      const int x = std::clamp(col, 1, width - 2);
      BYTE* p = &out[(static_cast<std::size_t>(memRow) * width + col) * bpp];
      for (Channel ch : {kBlue, kGreen, kRed}) p[ch] = static_cast<BYTE>(m.value(params.mode, x, y, ch));
      if (bpp == 4) p[3] = 255;
    }
  }
  return out;
}

TEST(DeBayerScalar, MatchesNaiveOracleOnRandomFrames) {
  std::mt19937 rng(2024);
  struct Size {
    UINT width;
    LONG height;
  };
  const Size sizes[] = {{4, 3}, {5, -3}, {6, 4}, {7, -8}, {10, 5}, {33, -6}, {64, 7}, {91, -12}};
  for (const Size s : sizes) {
    std::vector<BYTE> src(s.width * rowsOf(s.height));
    for (BYTE& b : src) b = static_cast<BYTE>(rng());
    for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
      for (LONG pattern = 0; pattern < 4; ++pattern) {
        for (int bpp : {3, 4}) {
          for (LONG height : {s.height, -s.height}) {
            const DeBayerParams params = makeDeBayerParams(pattern, mode);
            GuardedBuffer dst(src.size() * bpp);
            dst.fillRandom(rng);
            deBayerDispatch(deBayerKernelTableFor(0, bpp), src.data(), dst.data(), s.width, height, params);
            ASSERT_EQ(dst.bytes(), oracleFrame(src, static_cast<int>(s.width), height, params, bpp))
                << methodName(mode) << " pattern " << pattern << " bpp " << bpp << " " << s.width << "x" << height;
          }
        }
      }
    }
  }
}

// Edge sensing away from ties, where the oracle's gradient choice matters:
// steep ramps in one direction only.
TEST(DeBayerScalar, EdgeSensingFollowsRampsLikeTheOracle) {
  const int width = 12, rows = 8;
  for (bool horizontal : {true, false}) {
    std::vector<BYTE> src(width * rows);
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < width; ++x) src[y * width + x] = static_cast<BYTE>(horizontal ? 20 * x + (y & 1) : 30 * y + (x & 1));
    }
    for (LONG pattern = 0; pattern < 4; ++pattern) {
      const DeBayerParams params = makeDeBayerParams(pattern, eEdgeSensing);
      std::vector<BYTE> dst(width * rows * 3);
      deBayerDispatch(deBayerKernelTableFor(0, 3), src.data(), dst.data(), width, -rows, params);
      EXPECT_EQ(dst, oracleFrame(src, width, -rows, params, 3)) << pattern << (horizontal ? " horizontal" : " vertical");
    }
  }
}

}  // namespace
}  // namespace orv_filter::test
