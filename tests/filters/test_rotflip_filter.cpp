// The Rotate Flip filter through its interfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/framebuffer.h"

using namespace orv_test;
using Pixlib::FrameBuffer;

namespace {

struct RotFlip : ::testing::Test {
  FilterRef f{u"Rotate Flip"};
  IParameterCtrl* ctrl = f.params();

  FrameTypeInfo outputFor(const FrameTypeInfo& in) {
    std::vector<FrameTypeInfo> out;
    EXPECT_TRUE(f->getTransformOutputTypes(in, out));
    return out.at(0);
  }
};

TEST_F(RotFlip, AngleRuleInAndOutOfLiveMode) {
  for (LONG bad : {360, -90, 1, 45}) EXPECT_EQ(setLong(ctrl, u"Rotation Angle", bad), eParamInvalid) << bad;
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamOk);
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 0), eParamOk);

  const FrameTypeInfo in(Pixlib::eRGB24, 640, 480, 0);
  f->notifyStart_(in, in);
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 180), eParamOk);
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamInvalid);  // 3, not the live-mode 4
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 270), eParamInvalid);
  EXPECT_EQ(getLong(ctrl, u"Rotation Angle"), 180);
  EXPECT_EQ(setBool(ctrl, u"Flip H", true), eParamOk);
  EXPECT_EQ(setBool(ctrl, u"Flip V", true), eParamOk);
  for (LONG bad : {360, -90, 1, 45}) EXPECT_EQ(setLong(ctrl, u"Rotation Angle", bad), eParamInvalid) << bad;
  f->notifyStop_();

  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamOk);
  f->notifyStart_(in, in);
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 270), eParamOk);
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 0), eParamInvalid);
  EXPECT_EQ(setLong(ctrl, u"Rotation Angle", 180), eParamInvalid);
  f->notifyStop_();
}

TEST_F(RotFlip, OutputTypesSwapDimensionsKeepingTheHeightSign) {
  const FrameTypeInfo in(Pixlib::eRGB32, 640, -480, 640 * 480 * 4);
  EXPECT_EQ(outputFor(in), in);
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 270), eParamOk);
  EXPECT_EQ(outputFor(in), FrameTypeInfo(Pixlib::eRGB32, 480, -640, 640 * 480 * 4));
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamOk);
  EXPECT_EQ(outputFor(FrameTypeInfo(Pixlib::eRGB24, 640, 480, 7)), FrameTypeInfo(Pixlib::eRGB24, 480, 640, 7));
  EXPECT_EQ(outputFor(FrameTypeInfo(Pixlib::eY800, 0, 0, 0)), FrameTypeInfo(Pixlib::eY800, 0, 0, 0));
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 180), eParamOk);
  EXPECT_EQ(outputFor(in), in);
  // A quarter turn of a height of -2^31 has no 32-bit output size.
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamOk);
  std::vector<FrameTypeInfo> none;
  EXPECT_FALSE(f->getTransformOutputTypes(FrameTypeInfo(Pixlib::eRGB24, 8, INT32_MIN, 0), none));
  EXPECT_TRUE(none.empty());
}

// A displayed 3 x 2 RGB24 picture turned a quarter clockwise becomes 2 x 3.
TEST_F(RotFlip, TurnsAFrameThroughTheModule) {
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamOk);
  const FrameTypeInfo in(Pixlib::eY800, 3, 2, 6);  // top-down
  FrameBuffer src(in), dest(outputFor(in));
  const BYTE pixels[6] = {1, 2, 3, 4, 5, 6};  // rows "1 2 3" and "4 5 6"
  std::copy(pixels, pixels + 6, src.getBufferPtr());
  ASSERT_EQ(f->transform_(src, dest), S_OK);
  EXPECT_EQ(std::vector<BYTE>(dest.getBufferPtr(), dest.getBufferPtr() + 6), (std::vector<BYTE>{4, 1, 5, 2, 6, 3}));

  // Half turn with both mirrors is the identity, through its own case.
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 180), eParamOk);
  ASSERT_EQ(setBool(ctrl, u"Flip H", true), eParamOk);
  ASSERT_EQ(setBool(ctrl, u"Flip V", true), eParamOk);
  FrameBuffer same(in);
  ASSERT_EQ(f->transform_(src, same), S_OK);
  EXPECT_EQ(std::vector<BYTE>(same.getBufferPtr(), same.getBufferPtr() + 6), std::vector<BYTE>(pixels, pixels + 6));
}

// Frames this large are mirrored with the stores their stream's timings
// favour, trying both ways in the first frames: every frame must come out
// the same.
TEST_F(RotFlip, LargeMirrorsAreExactWhicheverStoresWriteThem) {
  constexpr LONG kWidth = 1031, kHeight = 1019;  // RGB32, just over 4 MiB
  const FrameTypeInfo in(Pixlib::eRGB32, kWidth, kHeight, kWidth * kHeight * 4);
  FrameBuffer src(in), dest(in);
  auto* from = reinterpret_cast<std::uint32_t*>(src.getBufferPtr());
  for (LONG i = 0; i < kWidth * kHeight; ++i) from[i] = static_cast<std::uint32_t>(i) * 2654435761u;
  ASSERT_EQ(setBool(ctrl, u"Flip H", true), eParamOk);
  f->notifyStart_(in, in);
  for (int frame = 0; frame < 6; ++frame) {
    std::fill_n(dest.getBufferPtr(), in.buffersize, BYTE{0});
    ASSERT_EQ(f->transform_(src, dest), S_OK);
    const auto* to = reinterpret_cast<const std::uint32_t*>(dest.getBufferPtr());
    for (LONG r = 0; r < kHeight; ++r)
      ASSERT_TRUE(std::equal(to + r * kWidth, to + (r + 1) * kWidth,
                             std::make_reverse_iterator(from + (r + 1) * kWidth)))
          << "frame " << frame << ", row " << r;
  }
  f->notifyStop_();
}

TEST_F(RotFlip, RefusesPairsThatBreakTheRuleWithoutWriting) {
  const FrameTypeInfo in(Pixlib::eRGB32, 8, 4, 128);
  FrameBuffer src(in);
  std::vector<BYTE> memory(128, 0xEE);
  // Types negotiated at angle 0, then the angle changed outside live mode.
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 90), eParamOk);
  FrameBuffer wrongShape(in, memory.data());
  EXPECT_EQ(f->transform_(src, wrongShape), S_FALSE);
  ASSERT_EQ(setLong(ctrl, u"Rotation Angle", 0), eParamOk);
  FrameBuffer tooSmall(FrameTypeInfo(Pixlib::eRGB32, 8, 4, 127), memory.data());
  EXPECT_EQ(f->transform_(src, tooSmall), S_FALSE);
  ASSERT_EQ(setBool(ctrl, u"Flip H", true), eParamOk);
  EXPECT_EQ(f->transform_(src, tooSmall), S_FALSE);
  FrameBuffer noMemory(in, nullptr);
  EXPECT_EQ(f->transform_(src, noMemory), S_FALSE);
  EXPECT_EQ(memory, std::vector<BYTE>(128, 0xEE));
}

}  // namespace
