// Every vector kernel against the scalar kernels, byte for byte, on random
// frames of many sizes; destinations start as different garbage so that an
// unwritten byte shows, and buffers end where their allocation ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu_mask.h"
#include "debayer_test_support.h"
#include "kernel_levels.h"
#include "platform/cpu.h"
#include "transform_method.h"

namespace orv_filter::test {
namespace {

struct Size {
  UINT width;
  UINT rows;
};

std::vector<Size> frameSizes() {
  std::vector<Size> sizes;
  for (UINT width = 4; width <= 70; ++width) {
    for (UINT rows = 3; rows <= 9; ++rows) sizes.push_back({width, rows});
  }
  for (Size s : {Size{1000, 7}, Size{333, 257}, Size{2448, 4}, Size{1921, 5}, Size{97, 64}, Size{130, 3}}) {
    sizes.push_back(s);
  }
  return sizes;
}

using orv_test::KernelLevel;

// The vector levels this processor runs.
std::vector<KernelLevel> vectorLevels() {
  std::vector<KernelLevel> levels = orv_test::kernelLevels();
  levels.erase(levels.begin());
  return levels;
}

// Runs one kernel of the table `features` selects into a fresh
// garbage-filled guarded destination.
std::vector<BYTE> runKernel(std::uint32_t features, const GuardedBuffer& src, Size s, LONG signedHeight,
                            const DeBayerParams& params, int bpp, BYTE garbageSeed) {
  GuardedBuffer dst(std::size_t(s.width) * s.rows * bpp);
  std::mt19937 garbage(garbageSeed);
  dst.fillRandom(garbage);
  deBayerDispatch(deBayerKernelTableFor(features, bpp), src.data(), dst.data(), s.width, signedHeight, params);
  EXPECT_TRUE(dst.guardsIntact());
  return dst.bytes();
}

TEST(DeBayerVector, MatchesScalarOnRandomFrames) {
  for (const KernelLevel& level : vectorLevels()) {
  std::mt19937 rng(99);
  for (const Size s : frameSizes()) {
    GuardedBuffer src(std::size_t(s.width) * s.rows);
    src.fillRandom(rng);
    for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
      for (LONG pattern = 0; pattern < 4; ++pattern) {
        const DeBayerParams params = makeDeBayerParams(pattern, mode);
        for (int bpp : {3, 4}) {
          for (LONG height : {-static_cast<LONG>(s.rows), static_cast<LONG>(s.rows)}) {
            const std::vector<BYTE> want = runKernel(0, src, s, height, params, bpp, 1);
            const std::vector<BYTE> got = runKernel(level.features, src, s, height, params, bpp, 2);
            ASSERT_EQ(got, want) << level.name << " " << methodName(mode) << " pattern " << pattern << " bpp " << bpp
                                 << " " << s.width << "x" << height;
          }
        }
      }
    }
  }
  }
}

// Saturated samples: the largest sums must not wrap in 16-bit lanes, and
// strong gradients of both signs must pick the same neighbours.
TEST(DeBayerVector, MatchesScalarOnExtremeSamples) {
  for (const KernelLevel& level : vectorLevels()) {
  std::mt19937 rng(5);
  const Size s{131, 9};
  GuardedBuffer src(std::size_t(s.width) * s.rows);
  for (std::size_t i = 0; i < src.size(); ++i) src.data()[i] = (rng() & 1) ? 255 : (rng() & 3);
  for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
    for (LONG pattern = 0; pattern < 4; ++pattern) {
      for (int bpp : {3, 4}) {
        const DeBayerParams params = makeDeBayerParams(pattern, mode);
        EXPECT_EQ(runKernel(level.features, src, s, -9, params, bpp, 3), runKernel(0, src, s, -9, params, bpp, 4))
            << level.name << " " << methodName(mode) << " pattern " << pattern << " bpp " << bpp;
      }
    }
  }
  }
}

// The entry points pick their kernels from the feature word on every call,
// so masking features forces the lower paths; all give the scalar bytes.
TEST(DeBayerEntryPoints, EveryFeatureLevelGivesTheScalarBytes) {
  std::mt19937 rng(17);
  const Size s{203, 11};
  GuardedBuffer src(std::size_t(s.width) * s.rows);
  src.fillRandom(rng);
  const DeBayerParams params = makeDeBayerParams(eGB, eEdgeSensing);
  for (const KernelLevel& level : orv_test::kernelLevels()) {
    orv_test::FeatureMask mask(level.features);
    for (int bpp : {3, 4}) {
      const std::vector<BYTE> want = runKernel(0, src, s, 11, params, bpp, 6);
      GuardedBuffer dst(want.size());
      dst.fill(0);
      runEntry(bpp, src.data(), dst.data(), s.width, 11, params);
      EXPECT_EQ(dst.bytes(), want) << level.name << " bpp " << bpp;
    }
  }
}

}  // namespace
}  // namespace orv_filter::test
