// The ROI filter through its interfaces.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "assert_capture.h"
#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/framebuffer.h"

using namespace orv_test;
using Pixlib::FrameBuffer;

namespace {

struct Roi : ::testing::Test {
  FilterRef f{u"ROI"};
  IParameterCtrl* ctrl = f.params();

  std::vector<FrameTypeInfo> outputs(const FrameTypeInfo& in) {
    std::vector<FrameTypeInfo> out;
    return f->getTransformOutputTypes(in, out) ? out : std::vector<FrameTypeInfo>{};
  }
  RECT region() {
    const LONG l = getLong(ctrl, u"Left"), t = getLong(ctrl, u"Top");
    return {l, t, l + getLong(ctrl, u"Width"), t + getLong(ctrl, u"Height")};
  }
};

TEST_F(Roi, DefaultsCoverTheFrame) {
  EXPECT_EQ(region().right, 2000);
  EXPECT_EQ(region().bottom, 2000);
  const FrameTypeInfo in(Pixlib::eRGB24, 640, 480, 640 * 480 * 3);
  const auto out = outputs(in);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0], FrameTypeInfo(Pixlib::eRGB24, 640, 480, 640 * 480 * 3));
  // Wildcards pass unchanged; a negative height gets no output type.
  EXPECT_EQ(outputs(FrameTypeInfo(Pixlib::eY800, 0, 0, 0)).at(0), FrameTypeInfo(Pixlib::eY800, 0, 0, 0));
  EXPECT_TRUE(outputs(FrameTypeInfo(Pixlib::eRGB24, 640, -480, 0)).empty());
}

TEST_F(Roi, EdgesMoveOntoMultiplesOfEightByTheirRemainder) {
  struct Step {
    const char16_t* name;
    LONG value;
    tParamResult result;
    RECT after;
  };
  const Step steps[] = {
      {u"Left", 100, eParamOk, {104, 0, 2104, 2000}},    // 100 -> 104, 2100 -> 2104
      {u"Left", 3, eParamOk, {16, 0, 2016, 2000}},       // 3 -> 16 (not 8)
      {u"Left", 7, eParamOk, {24, 0, 2024, 2000}},       // 7 -> 24
      {u"Left", 0, eParamOk, {0, 0, 2000, 2000}},
      {u"Width", 5, eParamOk, {0, 0, 16, 2000}},         // right 5 -> 16
      {u"Width", 0, eParamInvalid, {0, 0, 16, 2000}},
      {u"Height", -4, eParamInvalid, {0, 0, 16, 2000}},
      {u"Left", -3, eParamOk, {0, 0, 24, 2000}},         // left clamped at 0; right 13 -> 18 -> 20 -> 24
      {u"Top", 600, eParamOk, {0, 600, 24, 2600}},
      {u"Width", 101, eParamOk, {0, 600, 112, 2600}},    // 101 -> 112
      {u"Width", 0x7fffffff, eParamInvalid, {0, 600, 112, 2600}},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(setLong(ctrl, s.name, s.value), s.result) << (char)s.name[0] << " " << s.value;
    const RECT r = region();
    EXPECT_EQ(r.left, s.after.left) << (char)s.name[0] << " " << s.value;
    EXPECT_EQ(r.top, s.after.top);
    EXPECT_EQ(r.right, s.after.right) << (char)s.name[0] << " " << s.value;
    EXPECT_EQ(r.bottom, s.after.bottom);
  }
  // Top 600 lies below a 480-row frame.
  EXPECT_TRUE(outputs(FrameTypeInfo(Pixlib::eRGB24, 640, 480, 0)).empty());
  EXPECT_EQ(f->getTransformOutputTypes_(FrameTypeInfo(Pixlib::eRGB24, 640, 480, 0), nullptr, nullptr), E_POINTER);
}

TEST_F(Roi, LiveModeKeepsTheClippedSize) {
  ASSERT_EQ(setLong(ctrl, u"Width", 320), eParamOk);
  ASSERT_EQ(setLong(ctrl, u"Height", 240), eParamOk);
  const FrameTypeInfo in(Pixlib::eRGB24, 640, 480, 0);
  const FrameTypeInfo out = outputs(in).at(0);
  EXPECT_EQ(out.dim.cx, 320);
  f->notifyStart_(in, out);
  EXPECT_EQ(setLong(ctrl, u"Left", 8), eParamOk);          // still inside
  EXPECT_EQ(setLong(ctrl, u"Left", 328), eParamLiveMode);  // would cross the right edge
  EXPECT_EQ(setLong(ctrl, u"Width", 321), eParamLiveMode);
  EXPECT_EQ(setLong(ctrl, u"Width", 0), eParamLiveMode);   // inverted: the live answer comes first
  EXPECT_EQ(setLong(ctrl, u"Top", 240), eParamOk);
  EXPECT_EQ(region().left, 8);
  f->notifyStop_();
  EXPECT_EQ(setLong(ctrl, u"Width", 64), eParamOk);
}

TEST_F(Roi, NotifyStartTrimsTheRegionToTheOutput) {
  const FrameTypeInfo in(Pixlib::eY800, 100, 50, 0);
  const FrameTypeInfo out = outputs(in).at(0);
  f->notifyStart_(in, out);
  EXPECT_EQ(getLong(ctrl, u"Width"), 100);
  EXPECT_EQ(getLong(ctrl, u"Height"), 50);
  // A region that grows past the frame keeps its clipped size: accepted.
  EXPECT_EQ(setLong(ctrl, u"Width", 108), eParamOk);
  f->notifyStop_();
}

// Region (64, 16, 128, 48) of a 640 x 480 frame: 64 x 32 pixels.
void cropAndCheck(Roi& roi, const FrameTypeInfo& in, bool bottomUp) {
  const FrameTypeInfo out = roi.outputs(in).at(0);
  ASSERT_EQ(out.dim.cx, 64);
  ASSERT_EQ(out.dim.cy, 32);
  FrameBuffer src(in), dest(out);
  const std::size_t bpp = in.getBitsPerPixel() / 8;
  for (DWORD i = 0; i < src.size(); ++i) src.getBufferPtr()[i] = BYTE(i * 7 + i / 1920);
  ASSERT_EQ(roi.f->transform_(src, dest), S_OK);
  const std::size_t pitch = 640 * bpp, firstRow = bottomUp ? 432 : 16;
  for (std::size_t row = 0; row < 32; ++row) {
    const BYTE* expected = src.getBufferPtr() + (firstRow + row) * pitch + 64 * bpp;
    ASSERT_EQ(0, std::memcmp(dest.getBufferPtr() + row * 64 * bpp, expected, 64 * bpp)) << "row " << row;
  }
}

TEST_F(Roi, CropsMemoryRowsByStorageDirection) {
  ASSERT_EQ(setLong(ctrl, u"Left", 64), eParamOk);
  ASSERT_EQ(setLong(ctrl, u"Top", 16), eParamOk);
  ASSERT_EQ(setLong(ctrl, u"Width", 64), eParamOk);
  ASSERT_EQ(setLong(ctrl, u"Height", 32), eParamOk);
  // Bottom-up RGB24: memory rows 432..463 from byte 432 * 1920 + 64 * 3.
  cropAndCheck(*this, FrameTypeInfo(Pixlib::eRGB24, 640, 480, 0), true);
  cropAndCheck(*this, FrameTypeInfo(Pixlib::eRGB32, 640, 480, 0), true);
  cropAndCheck(*this, FrameTypeInfo(Pixlib::eY800, 640, 480, 0), false);
  cropAndCheck(*this, FrameTypeInfo(Pixlib::eUYVY, 640, 480, 0), false);
}

TEST_F(Roi, RefusesPairsThatDoNotFitWithoutWriting) {
  ASSERT_EQ(setLong(ctrl, u"Width", 16), eParamOk);
  ASSERT_EQ(setLong(ctrl, u"Height", 4), eParamOk);
  const FrameTypeInfo in(Pixlib::eY800, 32, 8, 0);
  FrameBuffer src(in);
  std::vector<BYTE> memory(64, 0xEE);
  AssertCapture asserts;
  const FrameTypeInfo refused[] = {
      FrameTypeInfo(Pixlib::eY800, 16, 5, 80),   // wrong height
      FrameTypeInfo(Pixlib::eY800, 8, 4, 32),    // wrong width
      FrameTypeInfo(Pixlib::eY800, 16, 4, 63),   // too small for 16 x 4
  };
  for (const FrameTypeInfo& t : refused) {
    FrameBuffer dest(t, memory.data());
    EXPECT_EQ(f->transform_(src, dest), S_FALSE);
    EXPECT_EQ(memory, std::vector<BYTE>(64, 0xEE));
  }
  FrameBuffer ok(FrameTypeInfo(Pixlib::eY800, 16, 4, 64), memory.data());
  FrameBuffer noMemory(in, nullptr);
  EXPECT_EQ(f->transform_(noMemory, ok), S_FALSE);
  EXPECT_EQ(f->transform_(src, ok), S_OK);
  // A source whose buffer is shorter than its dimensions say.
  std::vector<BYTE> shortSrc(100);
  FrameBuffer truncated(FrameTypeInfo(Pixlib::eY800, 32, 8, 100), shortSrc.data());
  EXPECT_EQ(f->transform_(truncated, ok), S_FALSE);
}

}  // namespace
