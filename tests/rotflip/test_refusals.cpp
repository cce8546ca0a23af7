// Frame pairs the case operations must refuse without touching either
// buffer, and the processor feature word.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "assert_capture.h"
#include "cpu_mask.h"
#include "frame_oracle.h"
#include "platform/cpu.h"
#include "rotflip/rotflip_cpu.h"
#include "rotflip/rotflip_frames.h"

namespace {

using namespace rotflip_test;
using orv_filter::RotFlipFrames;
using orv_filter::rotFlipRawCaseTable;

TEST(RotFlipRefusals, SidesThatBreakTheRuleOfTheAngle) {
  // Each refused pair is also sized so that running it anyway would write
  // outside a guarded destination or leave stale bytes behind.
  const LONG w = 6, h = 4;
  for (unsigned b = 1; b <= 4; ++b) {
    GuardedBytes src(static_cast<std::size_t>(w) * h * b, GuardedBytes::AgainstEnd);
    fillRandom(src.data(), src.size(), b);
    for (unsigned index = 1; index < 16; ++index) {
      const RotFlipFrames right = framesFor(index, src.data(), nullptr, w, h, b, true);
      const struct {
        LONG dw, dh;
      } wrong[] = {{right.destHeight, right.destWidth},
                   {right.destWidth, right.destHeight - 1},
                   {right.destWidth - 1, right.destHeight},
                   {right.destWidth + 1, right.destHeight}};
      for (const auto d : wrong) {
        GuardedBytes dst(static_cast<std::size_t>(d.dw) * d.dh * b, GuardedBytes::AgainstEnd);
        fillRandom(dst.data(), dst.size(), 3);
        const std::vector<BYTE> before = dst.bytes();
        RotFlipFrames f = right;
        f.dst = dst.data();
        f.destWidth = d.dw;
        f.destHeight = d.dh;
        orv_test::AssertCapture asserts;
        EXPECT_FALSE(rotFlipRawCaseTable[index](f)) << "index " << index << ", dest " << d.dw << "x" << d.dh;
        EXPECT_EQ(dst.bytes(), before);
        EXPECT_EQ(asserts.failures(), 1);
        EXPECT_EQ(asserts.lastExpression(), isQuarterTurn(index) ? "srcDimx == destDimy && srcDimy == destDimx"
                                                                 : "srcDimx == destDimx && srcDimy == destDimy");
      }
    }
  }
}

TEST(RotFlipRefusals, PixelSizesWithoutAKernel) {
  std::vector<BYTE> src(8 * 8 * 5, 1);
  for (unsigned b : {0u, 5u, 8u}) {
    for (unsigned index = 1; index < 16; ++index) {
      std::vector<BYTE> dst(src.size(), 7);
      orv_test::AssertCapture asserts;
      EXPECT_FALSE(rotFlipRawCaseTable[index](framesFor(index, src.data(), dst.data(), 8, 8, b, false)));
      EXPECT_EQ(dst, std::vector<BYTE>(src.size(), 7));
      EXPECT_EQ(asserts.failures(), 1);
      EXPECT_EQ(asserts.lastExpression(), "false");
    }
  }
}

TEST(RotFlipRefusals, NegativeSidesAndMissingBuffers) {
  std::vector<BYTE> buf(64, 3);
  const RotFlipFrames bad[] = {
      {buf.data(), buf.data() + 32, -2, 4, -2, 4, 1, true},
      {buf.data(), buf.data() + 32, 2, -4, 2, -4, 1, true},
      {nullptr, buf.data(), 2, 4, 2, 4, 1, true},
      {buf.data(), nullptr, 2, 4, 2, 4, 1, true},
  };
  for (const RotFlipFrames& f : bad) {
    orv_test::AssertCapture asserts;
    EXPECT_FALSE(rotFlipRawCaseTable[9](f));
    EXPECT_EQ(asserts.failures(), 1);
  }
  EXPECT_EQ(buf, std::vector<BYTE>(64, 3));
}

TEST(RotFlipRefusals, EmptyFramesNeedNoBuffers) {
  orv_test::AssertCapture asserts;
  for (unsigned index = 1; index < 16; ++index) {
    EXPECT_TRUE(rotFlipRawCaseTable[index](RotFlipFrames{nullptr, nullptr, 0, 0, 0, 0, 4, true}));
    EXPECT_TRUE(rotFlipRawCaseTable[index](framesFor(index, nullptr, nullptr, 0, 5, 3, false)));
  }
  EXPECT_EQ(asserts.failures(), 0);
}

TEST(RotFlipCpu, FeatureWordIsTheSameFromTwoThreads) {
  std::uint32_t a = 0, b = 0;
  std::thread t1([&] { a = orv_filter::getCpuFeatures(); });
  std::thread t2([&] { b = orv_filter::getCpuFeatures(); });
  t1.join();
  t2.join();
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, orv_filter::getCpuFeatures());
  EXPECT_EQ(orv_filter::hasSSE2(), (a & orv::kCpuSSE2) != 0);
#if defined(__x86_64__)
  EXPECT_TRUE(orv_filter::hasSSE2());  // part of the 64-bit instruction set
#elif defined(__aarch64__)
  EXPECT_NE(a & orv::kCpuNEON, 0u);  // part of the 64-bit ARM architecture
  EXPECT_FALSE(orv_filter::hasSSE2());
#endif
  orv_test::FeatureMask none(0);
  EXPECT_FALSE(orv_filter::hasSSE2());
}

}  // namespace
