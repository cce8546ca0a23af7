// Bayer to Y800 end to end: negotiated from a BY8 type and streamed.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "assert_capture.h"
#include "loaded_module.h"
#include "pixrt/framebuffer.h"
#include "platform/taskmem.h"

using orv_test::FilterRef;
using Pixlib::FrameBuffer;

namespace {

TEST(Bayer2Y800, NegotiatesAnyBayerSizeIntoY800OfTheSameSize) {
  FilterRef f(u"Bayer to Y800");
  EXPECT_EQ(f->checkInputType_(FrameTypeInfo(MEDIASUBTYPE_BY8, 1280, 960, 1280 * 960)), S_OK);
  EXPECT_EQ(f->checkInputType_(FrameTypeInfo(MEDIASUBTYPE_Y800, 1280, 960, 0)), E_FAIL);

  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 33, -7, 33 * 7);
  std::vector<FrameTypeInfo> out;
  ASSERT_TRUE(f->getTransformOutputTypes(in, out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0], FrameTypeInfo(MEDIASUBTYPE_Y800, 33, -7, 0));
  EXPECT_EQ(f->checkTransformTypes_(in, FrameTypeInfo(MEDIASUBTYPE_Y800, 33, -7, 33 * 7)), S_OK);
  EXPECT_EQ(f->checkTransformTypes_(in, FrameTypeInfo(MEDIASUBTYPE_Y800, 33, 7, 0)), S_FALSE);

  ParameterDesc desc;
  EXPECT_FALSE(f.params()->getParameterDesc(0, &desc));
  EXPECT_FALSE(f.params()->hasDialog());
  EXPECT_FALSE(f.params()->callDialog(nullptr));
  WCHAR* text = reinterpret_cast<WCHAR*>(0x1);
  EXPECT_EQ(f.params()->saveParameters(&text), eParamNotFound);
  EXPECT_EQ(text, reinterpret_cast<WCHAR*>(0x1));
}

TEST(Bayer2Y800, StreamsFramesByteForByte) {
  FilterRef f(u"Bayer to Y800");
  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 31, 9, 31 * 9);
  FrameTypeInfo* outs = nullptr;
  LONG count = 0;
  ASSERT_EQ(f->getTransformOutputTypes_(in, &outs, &count), S_OK);
  FrameTypeInfo out = outs[0];
  CoTaskMemFree(outs);
  out.buffersize = Pixlib::calcRequiredBuffersize(out);
  ASSERT_EQ(f->checkTransformTypes_(in, out), S_OK);

  ASSERT_EQ(f->notifyStart_(in, out), S_OK);
  for (int frame = 0; frame < 3; ++frame) {
    FrameBuffer src(in), dest(out);
    std::iota(src.getBufferPtr(), src.getBufferPtr() + src.size(), static_cast<BYTE>(frame * 17));
    std::fill(dest.getBufferPtr(), dest.getBufferPtr() + dest.size(), BYTE{0xEE});
    ASSERT_EQ(f->transform_(src, dest), S_OK);
    EXPECT_EQ(std::vector<BYTE>(dest.getBufferPtr(), dest.getBufferPtr() + dest.size()),
              std::vector<BYTE>(src.getBufferPtr(), src.getBufferPtr() + src.size()));
  }
  EXPECT_EQ(f->notifyStop_(), S_OK);
}

TEST(Bayer2Y800, RefusesFramesItCannotCopyWithoutWriting) {
  FilterRef f(u"Bayer to Y800");
  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 8, 4, 32), out(MEDIASUBTYPE_Y800, 8, 4, 32);
  FrameBuffer src(in), dest(out);
  std::fill(src.getBufferPtr(), src.getBufferPtr() + 32, BYTE{1});

  FrameBuffer noDest(out, nullptr), noSrc(in, nullptr);
  EXPECT_EQ(f->transform_(src, noDest), S_FALSE);
  EXPECT_EQ(f->transform_(noSrc, dest), S_FALSE);

  std::vector<BYTE> small(16, 0xEE);
  FrameBuffer shortDest(FrameTypeInfo(MEDIASUBTYPE_Y800, 8, 4, 16), small.data());
  orv_test::AssertCapture asserts;
  EXPECT_EQ(f->transform_(src, shortDest), S_FALSE);
  EXPECT_EQ(asserts.lastExpression(), "src.getFrameType().buffersize == dest.getFrameType().buffersize");
  EXPECT_EQ(small, std::vector<BYTE>(16, 0xEE));
  EXPECT_EQ(dest.getBufferPtr()[0], 0);
}

}  // namespace
