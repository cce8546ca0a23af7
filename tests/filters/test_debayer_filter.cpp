// The DeBayer filter through its interfaces.
#include <gtest/gtest.h>

#include <vector>

#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/framebuffer.h"
#include "platform/display.h"

using namespace orv_test;
using Pixlib::FrameBuffer;

namespace {

// The 6 x 4 mosaic whose demosaiced values are worked out by hand.
const BYTE kMosaic[24] = {10, 20, 30, 200, 210, 220, 40, 50, 60, 230, 240, 250,
                          15, 25, 35, 205, 215, 225, 45, 55, 65, 235, 245, 255};

struct DeBayer : ::testing::Test {
  FilterRef f{u"DeBayer"};
  IParameterCtrl* ctrl = f.params();
  ~DeBayer() override { orv::setScreenBitsPerPixel(32); }

  std::vector<BYTE> run(const GUID& srcType, LONG srcHeight, const GUID& destType) {
    const FrameTypeInfo in(srcType, 6, srcHeight, 24);
    const DWORD bytes = destType == MEDIASUBTYPE_RGB24 ? 72 : 96;
    FrameBuffer src(in), dest(FrameTypeInfo(destType, 6, 4, bytes));
    std::copy(kMosaic, kMosaic + 24, src.getBufferPtr());
    EXPECT_EQ(f->transform_(src, dest), S_OK);
    return std::vector<BYTE>(dest.getBufferPtr(), dest.getBufferPtr() + bytes);
  }
};

TEST_F(DeBayer, ParametersKeepTheirRanges) {
  EXPECT_EQ(getLong(ctrl, u"Start Pattern"), 2);
  EXPECT_EQ(getLong(ctrl, u"Mode"), 1);
  EXPECT_EQ(setLong(ctrl, u"Start Pattern", 4), eParamInvalid);
  EXPECT_EQ(setLong(ctrl, u"Start Pattern", -1), eParamInvalid);
  EXPECT_EQ(setLong(ctrl, u"Mode", 3), eParamInvalid);
  EXPECT_EQ(getLong(ctrl, u"Start Pattern"), 2);
  EXPECT_EQ(getLong(ctrl, u"Mode"), 1);
  EXPECT_EQ(setLong(ctrl, u"Mode", 2), eParamOk);
  ParameterDesc d;
  ASSERT_TRUE(ctrl->getParameterDesc(0, &d));
  EXPECT_EQ(std::u16string(d.name), u"Mode");
  ASSERT_TRUE(ctrl->getParameterDesc(1, &d));
  EXPECT_EQ(std::u16string(d.name), u"Start Pattern");
  EXPECT_TRUE(ctrl->hasDialog());
}

TEST_F(DeBayer, TypesFollowTheScreenDepth) {
  for (const GUID& in : {MEDIASUBTYPE_RGB8, MEDIASUBTYPE_Y800, MEDIASUBTYPE_BY8})
    EXPECT_EQ(f->checkInputType_(FrameTypeInfo(in, 640, 480, 0)), S_OK);
  EXPECT_EQ(f->checkInputType_(FrameTypeInfo(MEDIASUBTYPE_RGB24, 640, 480, 0)), E_FAIL);

  for (int depth : {32, 16, 24}) {
    orv::setScreenBitsPerPixel(depth);
    std::vector<FrameTypeInfo> out;
    ASSERT_TRUE(f->getTransformOutputTypes(FrameTypeInfo(MEDIASUBTYPE_BY8, 640, -480, 0), out));
    ASSERT_EQ(out.size(), 2u);
    const GUID first = depth == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB32;
    const GUID second = depth == 24 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24;
    EXPECT_EQ(out[0], FrameTypeInfo(first, 640, 480, 0)) << depth;
    EXPECT_EQ(out[1], FrameTypeInfo(second, 640, 480, 0)) << depth;
  }
  // A height of -2^31 has no 32-bit row count: no output type.
  std::vector<FrameTypeInfo> none;
  EXPECT_FALSE(f->getTransformOutputTypes(FrameTypeInfo(MEDIASUBTYPE_BY8, 8, INT32_MIN, 0), none));
}

TEST_F(DeBayer, StorageDirectionPlacesTheOutputRows) {
  // Y800 is stored top-down, RGB8 bottom-up; negating a height swaps them.
  const std::vector<BYTE> topDown = run(MEDIASUBTYPE_Y800, 4, MEDIASUBTYPE_RGB24);
  const std::vector<BYTE> bottomUp = run(MEDIASUBTYPE_RGB8, 4, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(run(MEDIASUBTYPE_Y800, -4, MEDIASUBTYPE_RGB24), bottomUp);
  EXPECT_EQ(run(MEDIASUBTYPE_RGB8, -4, MEDIASUBTYPE_RGB24), topDown);
  // Bilinear, pattern GR: the first output pixel of a top-down source is the
  // last source row's, (R, G, B) = (25, 25, 52), stored blue first.
  EXPECT_EQ(topDown[0], 52);
  EXPECT_EQ(topDown[1], 25);
  EXPECT_EQ(topDown[2], 25);
  for (int row = 0; row < 4; ++row)
    EXPECT_TRUE(std::equal(topDown.begin() + row * 18, topDown.begin() + row * 18 + 18,
                           bottomUp.begin() + (3 - row) * 18));
  // Bottom-up first pixel: (22, 36, 50).
  EXPECT_EQ(bottomUp[0], 50);
  EXPECT_EQ(bottomUp[1], 36);
  EXPECT_EQ(bottomUp[2], 22);
}

TEST_F(DeBayer, DestinationSubtypeChoosesThePixelSize) {
  const std::vector<BYTE> rgb24 = run(MEDIASUBTYPE_BY8, 4, MEDIASUBTYPE_RGB24);
  const std::vector<BYTE> rgb32 = run(MEDIASUBTYPE_BY8, 4, MEDIASUBTYPE_RGB32);
  const std::vector<BYTE> other = run(MEDIASUBTYPE_BY8, 4, MEDIASUBTYPE_UYVY);  // written as RGB32
  EXPECT_EQ(rgb32, other);
  for (int p = 0; p < 24; ++p) {
    EXPECT_EQ(rgb32[p * 4 + 0], rgb24[p * 3 + 0]);
    EXPECT_EQ(rgb32[p * 4 + 1], rgb24[p * 3 + 1]);
    EXPECT_EQ(rgb32[p * 4 + 2], rgb24[p * 3 + 2]);
    EXPECT_EQ(rgb32[p * 4 + 3], 255);
  }
}

TEST_F(DeBayer, FramesTooSmallToDemosaicAreRefused) {
  struct Case {
    LONG cx, cy;
    bool workable;
  };
  const Case cases[] = {{3, 8, false}, {8, 2, false}, {8, -2, false}, {0, 5, false},
                        {4, 3, true},  {4, -3, true}, {0, 0, true}};
  for (const Case& c : cases) {
    const FrameTypeInfo in(MEDIASUBTYPE_BY8, c.cx, c.cy, 0);
    const FrameTypeInfo out(MEDIASUBTYPE_RGB32, c.cx, c.cy < 0 ? -c.cy : c.cy, 0);
    FrameTypeInfo* types = nullptr;
    LONG count = 0;
    EXPECT_EQ(f->checkInputType_(in), c.workable ? S_OK : E_FAIL) << c.cx << "x" << c.cy;
    EXPECT_EQ(f->getTransformOutputTypes_(in, &types, &count), c.workable ? S_OK : E_FAIL) << c.cx << "x" << c.cy;
    EXPECT_EQ(f->checkTransformTypes_(in, out), c.workable ? S_OK : S_FALSE) << c.cx << "x" << c.cy;
    CoTaskMemFree(types);
  }
  // Handed such a frame anyway, the filter reports the frame as not done.
  FrameBuffer src(FrameTypeInfo(MEDIASUBTYPE_BY8, 3, 8, 24)), dest(FrameTypeInfo(MEDIASUBTYPE_RGB32, 3, 8, 96));
  EXPECT_EQ(f->transform_(src, dest), S_FALSE);
}

TEST_F(DeBayer, ShortBuffersAreLeftUnwritten) {
  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 6, 4, 24);
  FrameBuffer src(in);
  std::vector<BYTE> memory(96, 0xEE);
  const FrameTypeInfo shortDest[] = {FrameTypeInfo(MEDIASUBTYPE_RGB24, 6, 4, 71),
                                     FrameTypeInfo(MEDIASUBTYPE_RGB32, 6, 4, 95),
                                     FrameTypeInfo(MEDIASUBTYPE_RGB32, 6, 4, 0)};
  for (const FrameTypeInfo& t : shortDest) {
    FrameBuffer dest(t, memory.data());
    EXPECT_EQ(f->transform_(src, dest), S_FALSE);
  }
  std::vector<BYTE> few(23);
  FrameBuffer shortSrc(FrameTypeInfo(MEDIASUBTYPE_BY8, 6, 4, 23), few.data());
  FrameBuffer noSrc(in, nullptr);
  FrameBuffer dest(FrameTypeInfo(MEDIASUBTYPE_RGB32, 6, 4, 96), memory.data());
  EXPECT_EQ(f->transform_(shortSrc, dest), S_FALSE);
  EXPECT_EQ(f->transform_(noSrc, dest), S_FALSE);
  EXPECT_EQ(memory, std::vector<BYTE>(96, 0xEE));
}

}  // namespace
