// Every fast path against the generic kernel, byte for byte: random
// sources, destinations pre-filled with different garbage, buffers placed
// against inaccessible pages, at each instruction-set level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cpu_mask.h"
#include "frame_oracle.h"
#include "platform/cpu.h"
#include "rotflip/rotflip_frames.h"
#include "rotflip/rotflip_pixels.h"
#include "rotflip/rotflip_sse2_blocks.h"

namespace {

using namespace rotflip_test;
using orv_filter::rotFlipRawCaseTable;
using orv_filter::rotFlipReference;

struct Level {
  const char* name;
  std::uint32_t mask;
};

constexpr std::uint32_t kAllButAvx2 =
    orv::kCpuMMX | orv::kCpuSSE | orv::kCpuSSE2 | orv::kCpuSSE3 | orv::kCpuSSSE3 | orv::kCpuSSE41 | orv::kCpuSSE42;
const Level kLevels[] = {{"plain C++", 0u}, {"SSE2", kAllButAvx2}, {"AVX2", ~0u}};

std::vector<Size> fastPathSizes() {
  std::vector<Size> sizes;
  for (LONG w : {1, 2, 3, 15, 16, 17, 33}) {
    for (LONG h : {1, 2, 3, 7, 16, 17, 33}) sizes.push_back({w, h});
  }
  // Around the block sides, heights whose quarter turns give destination
  // pitches of large powers of two (the route through the tile), and one
  // frame large enough for many full blocks with ragged edges.
  for (Size s : {Size{64, 64}, Size{65, 129}, Size{129, 65}, Size{128, 48}, Size{31, 97}, Size{130, 512}, Size{67, 256},
                 Size{1000, 333}}) {
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
          for (const Level& level : kLevels) {
            if (level.mask == ~0u && !orv::cpuHas(orv::kCpuAVX2)) continue;
            orv_test::FeatureMask mask(level.mask);
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
  // 12 MiB and more of destination switch the mirrors and row reversals to
  // non-temporal stores. Width 2047 leaves each row on its own alignment.
  const LONG w = 2047, h = 1537;
  const unsigned b = 4;
  GuardedBytes src(static_cast<std::size_t>(w) * h * b, GuardedBytes::AgainstEnd);
  fillRandom(src.data(), src.size(), 5);
  for (const Level& level : kLevels) {
    if (level.mask == ~0u && !orv::cpuHas(orv::kCpuAVX2)) continue;
    orv_test::FeatureMask mask(level.mask);
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
  } frames[] = {{3100, 4096, 1}, {1537, 4096, 2}, {1100, 4096, 3}, {1030, 3072, 4}};  // 12 MiB and more
  for (const auto& f : frames) {
    const std::size_t bytes = static_cast<std::size_t>(f.w) * f.h * f.b;
    std::vector<BYTE> src(bytes);
    fillRandom(src.data(), bytes, f.b);
    std::vector<BYTE> expected(bytes);
    rotFlipReference(5, framesFor(5, src.data(), expected.data(), f.w, f.h, f.b, true));
    for (const Level& level : kLevels) {
      if (level.mask == ~0u && !orv::cpuHas(orv::kCpuAVX2)) continue;
      orv_test::FeatureMask mask(level.mask);
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

TEST(RotFlipFastPaths, Sse2BlockPathMatchesTheGenericKernel) {
  const Size sizes[] = {{4, 4}, {8, 4}, {4, 8}, {12, 20}, {64, 36}, {36, 64}};
  for (const Size s : sizes) {
    GuardedBytes src(static_cast<std::size_t>(s.w) * s.h * 4, GuardedBytes::AgainstEnd);
    fillRandom(src.data(), src.size(), s.w + s.h);
    for (bool topDown : {true, false}) {
      for (unsigned index = 1; index < 16; ++index) {
        SCOPED_TRACE(testing::Message() << "index " << index << ", " << s.w << "x" << s.h
                                        << (topDown ? " top-down" : " bottom-up"));
        std::vector<BYTE> expected(src.size(), 0x11);
        rotFlipReference(index, framesFor(index, src.data(), expected.data(), s.w, s.h, 4, topDown));
        GuardedBytes dst(src.size(), GuardedBytes::AgainstEnd);
        fillRandom(dst.data(), dst.size(), 777);
        ASSERT_TRUE(orv_filter::rotFlipSse2Case(index, framesFor(index, src.data(), dst.data(), s.w, s.h, 4, topDown)));
        EXPECT_EQ(dst.bytes(), expected);
      }
    }
  }
}

TEST(RotFlipFastPaths, Sse2BlockPathTakesOnlyWholeBlocksOf32BitPixels) {
  // 6 x 4 and 8 x 6 frames and 24-bit pixels are not for this path.
  const struct {
    LONG w, h;
    unsigned b;
  } frames[] = {{6, 4, 4}, {8, 6, 4}, {8, 4, 3}, {8, 8, 2}};
  for (const auto& f : frames) {
    std::vector<BYTE> src(static_cast<std::size_t>(f.w) * f.h * f.b, 1);
    std::vector<BYTE> dst(src.size(), 2);
    EXPECT_FALSE(orv_filter::rotFlipSse2Case(4, framesFor(4, src.data(), dst.data(), f.w, f.h, f.b, true)));
    EXPECT_EQ(dst, std::vector<BYTE>(src.size(), 2));
  }
}

}  // namespace
