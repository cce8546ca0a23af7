// Every fast path against the generic kernel, byte for byte: random
// sources, destinations pre-filled with different garbage, buffers placed
// against inaccessible pages, at each instruction-set level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cpu_mask.h"
#include "frame_oracle.h"
#include "kernel_levels.h"
#include "platform/cpu.h"
#include "rotflip/rotflip_frames.h"
#include "rotflip_pixels.h"

namespace {

using namespace rotflip_test;
using orv_filter::rotFlipRawCaseTable;
using orv_filter::rotFlipReference;

using orv_test::KernelLevel;
using orv_test::kernelLevels;

std::vector<Size> fastPathSizes() {
  std::vector<Size> sizes;
  for (LONG w : {1, 2, 3, 15, 16, 17, 33}) {
    for (LONG h : {1, 2, 3, 7, 16, 17, 33}) sizes.push_back({w, h});
  }
  // Around the block sides, heights whose quarter turns give destination
  // pitches of large powers of two (the route through the tile, also with a
  // ragged right edge), and one frame large enough for many full blocks with
  // ragged edges.
  for (Size s : {Size{64, 64}, Size{65, 129}, Size{129, 65}, Size{128, 48}, Size{31, 97}, Size{130, 512}, Size{33, 1024},
                 Size{67, 256}, Size{1000, 333}}) {
    sizes.push_back(s);
  }
  return sizes;
}

// Runs case `index` on `src` into a guarded destination full of garbage.
std::vector<BYTE> runCase(unsigned index, const BYTE* src, LONG w, LONG h, unsigned b, bool topDown,
                          GuardedBytes::Placement placement) {
  GuardedBytes dst(static_cast<std::size_t>(w) * h * b, placement);
  fillRandom(dst.data(), dst.size(), 12345);
  EXPECT_TRUE(rotFlipRawCaseTable[index](framesFor(index, src, dst.data(), w, h, b, topDown)));
  return dst.bytes();
}

GuardedBytes::Placement placementFor(std::size_t n) {
  return n % 2 ? GuardedBytes::AgainstStart : GuardedBytes::AgainstEnd;
}

TEST(RotFlipFastPaths, EveryLevelMatchesTheGenericKernel) {
  const std::vector<Size> sizes = fastPathSizes();
  for (std::size_t si = 0; si < sizes.size(); ++si) {
    const Size s = sizes[si];
    for (unsigned b = 1; b <= 4; ++b) {
      // Sources and destinations alternate between the two guarded ends.
      GuardedBytes src(static_cast<std::size_t>(s.w) * s.h * b, placementFor(si + b));
      fillRandom(src.data(), src.size(), s.w * 1000 + s.h * 10 + b);
      for (bool topDown : {true, false}) {
        for (unsigned index = 1; index < 16; ++index) {
          std::vector<BYTE> expected(src.size(), 0xEE);
          rotFlipReference(index, framesFor(index, src.data(), expected.data(), s.w, s.h, b, topDown));
          for (const KernelLevel& level : kernelLevels()) {
            orv_test::FeatureMask mask(level.features);
            const std::vector<BYTE> got = runCase(index, src.data(), s.w, s.h, b, topDown, placementFor(si + b + index));
            ASSERT_EQ(got, expected) << level.name << ", index " << index << ", B " << b << ", " << s.w << "x" << s.h
                                     << (topDown ? " top-down" : " bottom-up");
          }
        }
      }
    }
  }
}

TEST(RotFlipFastPaths, FramesTooLargeForTheCachesMatchTheGenericKernel) {
  // 7 MiB and more of destination switch the mirrors, 12 MiB the row
  // reversals, to non-temporal stores. Width 2047 leaves each row on its own
  // alignment.
  const LONG w = 2047, h = 1537;
  const unsigned b = 4;
  GuardedBytes src(static_cast<std::size_t>(w) * h * b, GuardedBytes::AgainstEnd);
  fillRandom(src.data(), src.size(), 5);
  for (const KernelLevel& level : kernelLevels()) {
    orv_test::FeatureMask mask(level.features);
    // Both storage directions: mirrored rows are walked from either end.
    for (bool topDown : {false, true})
      for (unsigned index : {1u, 2u, 3u, 4u}) {
        std::vector<BYTE> expected(src.size(), 0);
        rotFlipReference(index, framesFor(index, src.data(), expected.data(), w, h, b, topDown));
        EXPECT_EQ(runCase(index, src.data(), w, h, b, topDown, GuardedBytes::AgainstEnd), expected)
            << level.name << ", index " << index << (topDown ? ", top-down" : ", bottom-up");
      }
  }
}

TEST(RotFlipFastPaths, LargeQuarterTurnsAtEveryDestinationAlignment) {
  // Large frames whose turned rows are whole cache lines are written through
  // the tile with non-temporal stores, after a first band that lines the
  // destination up; the destination here starts at several offsets.
  const struct {
    LONG w, h;
    unsigned b;
  } frames[] = {{1031, 4096, 1}, {515, 4096, 2}, {343, 4096, 3}, {343, 3072, 4}};  // 4 MiB and more
  for (const auto& f : frames) {
    const std::size_t bytes = static_cast<std::size_t>(f.w) * f.h * f.b;
    std::vector<BYTE> src(bytes);
    fillRandom(src.data(), bytes, f.b);
    std::vector<BYTE> expected(bytes);
    rotFlipReference(5, framesFor(5, src.data(), expected.data(), f.w, f.h, f.b, true));
    for (const KernelLevel& level : kernelLevels()) {
      orv_test::FeatureMask mask(level.features);
      for (std::size_t offset : {0, 2, 4, 12, 48}) {  // 2: no line-aligned band for 4-byte pixels
        std::vector<BYTE> buffer(bytes + 128, 0x77);
        BYTE* dst = buffer.data() + (64 - reinterpret_cast<std::uintptr_t>(buffer.data()) % 64) + offset;
        ASSERT_TRUE(rotFlipRawCaseTable[5](framesFor(5, src.data(), dst, f.w, f.h, f.b, true)));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), dst))
            << level.name << ", B " << f.b << ", destination offset " << offset;
        EXPECT_TRUE(std::all_of(buffer.data(), dst, [](BYTE v) { return v == 0x77; }));
        EXPECT_TRUE(std::all_of(dst + bytes, buffer.data() + buffer.size(), [](BYTE v) { return v == 0x77; }));
      }
    }
  }
}

}  // namespace
