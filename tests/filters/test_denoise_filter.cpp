// The DeNoise filter: runs of 2^L frames averaged into one.
#include <gtest/gtest.h>

#include <vector>

#include "assert_capture.h"
#include "denoisetransform.h"
#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/framebuffer.h"

using namespace orv_test;
using Pixlib::FrameBuffer;

namespace {

const FrameTypeInfo kType(Pixlib::eRGB24, 4, 2, 24);

struct DeNoise : ::testing::Test {
  FilterRef f{u"DeNoise"};
  IParameterCtrl* ctrl = f.params();
  FrameBuffer src{kType}, dest{kType};

  void fill(BYTE value) { std::fill(src.getBufferPtr(), src.getBufferPtr() + 24, value); }
  HRESULT push(BYTE value) {
    fill(value);
    return f->transform_(src, dest);
  }
  BYTE out(int i = 0) const { return dest.getBufferPtr()[i]; }
};

TEST_F(DeNoise, LevelZeroPassesEveryFrame) {
  ASSERT_EQ(setLong(ctrl, u"DeNoise Level", 0), eParamOk);
  f->notifyStart_(kType, kType);
  for (int i = 0; i < 3; ++i) {
    for (int b = 0; b < 24; ++b) src.getBufferPtr()[b] = BYTE(b * 11 + i);
    ASSERT_EQ(f->transform_(src, dest), S_OK);
    EXPECT_EQ(0, std::memcmp(src.getBufferPtr(), dest.getBufferPtr(), 24));
  }
}

TEST_F(DeNoise, RunsEmitTheFloorOfTheMean) {
  ASSERT_EQ(setLong(ctrl, u"DeNoise Level", 1), eParamOk);
  f->notifyStart_(kType, kType);
  EXPECT_EQ(push(1), S_FALSE);
  EXPECT_EQ(push(2), S_OK);
  EXPECT_EQ(out(), 1);
  EXPECT_EQ(push(255), S_FALSE);
  EXPECT_EQ(push(255), S_OK);
  EXPECT_EQ(out(23), 255);
  f->notifyStop_();

  ASSERT_EQ(setLong(ctrl, u"DeNoise Level", 2), eParamOk);  // the default run of four
  f->notifyStart_(kType, kType);
  const BYTE values[8] = {10, 20, 30, 41, 0, 0, 0, 3};
  const HRESULT expected[8] = {S_FALSE, S_FALSE, S_FALSE, S_OK, S_FALSE, S_FALSE, S_FALSE, S_OK};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(push(values[i]), expected[i]) << i;
  EXPECT_EQ(out(), 0);  // (0 + 0 + 0 + 3) / 4
}

TEST_F(DeNoise, LevelFiveOfWhiteStaysWhite) {
  ASSERT_EQ(setLong(ctrl, u"DeNoise Level", 5), eParamOk);
  f->notifyStart_(kType, kType);
  for (int i = 0; i < 31; ++i) ASSERT_EQ(push(255), S_FALSE);
  ASSERT_EQ(push(255), S_OK);
  for (int b = 0; b < 24; ++b) EXPECT_EQ(out(b), 255);
}

TEST_F(DeNoise, SetterRefusesLiveChangesAndLevelsBeyondSeven) {
  EXPECT_EQ(getLong(ctrl, u"DeNoise Level"), 2);
  EXPECT_EQ(setLong(ctrl, u"DeNoise Level", 8), eParamInvalid);
  EXPECT_EQ(setLong(ctrl, u"DeNoise Level", -1), eParamInvalid);
  EXPECT_EQ(setLong(ctrl, u"DeNoise Level", 7), eParamOk);
  f->notifyStart_(kType, kType);
  EXPECT_EQ(setLong(ctrl, u"DeNoise Level", 3), eParamLiveMode);
  EXPECT_EQ(getLong(ctrl, u"DeNoise Level"), 7);
  f->notifyStop_();
  EXPECT_EQ(setLong(ctrl, u"DeNoise Level", 3), eParamOk);
}

TEST_F(DeNoise, FramesWithoutMemoryOrOfAnotherTypeDoNotCount) {
  ASSERT_EQ(setLong(ctrl, u"DeNoise Level", 1), eParamOk);
  AssertCapture asserts;
  EXPECT_EQ(f->transform_(src, dest), S_FALSE);  // before notifyStart: no accumulator
  EXPECT_EQ(asserts.failures(), 1);
  f->notifyStart_(kType, kType);
  FrameBuffer noDest(kType, nullptr), noSrc(kType, nullptr);
  FrameBuffer bigger(FrameTypeInfo(Pixlib::eRGB24, 4, 4, 48));
  EXPECT_EQ(push(100), S_FALSE);
  EXPECT_EQ(f->transform_(src, noDest), S_FALSE);
  EXPECT_EQ(f->transform_(noSrc, dest), S_FALSE);
  EXPECT_EQ(f->transform_(bigger, dest), S_FALSE);
  EXPECT_EQ(f->transform_(src, bigger), S_FALSE);
  EXPECT_EQ(push(50), S_OK);  // the second counted frame ends the run
  EXPECT_EQ(out(), 75);
  f->notifyStop_();
  EXPECT_EQ(f->transform_(src, dest), S_FALSE);  // after notifyStop
}

// White-box: the accumulator's lifetime and the dialog's live level change.
TEST(DeNoiseState, AccumulatorIsReusedOnlyForTheSameType) {
  Owned<orv_filter::CDeNoiseTransform> filter;
  filter->notifyStart(kType, kType);
  const std::int16_t* first = filter->m_pData.get();
  ASSERT_NE(first, nullptr);
  filter->notifyStart(kType, kType);
  EXPECT_EQ(filter->m_pData.get(), first);
  const FrameTypeInfo other(Pixlib::eRGB24, 8, 2, 48);
  filter->notifyStart(other, other);
  EXPECT_EQ(filter->m_DataFrameType, other);
  filter->notifyStop();
  EXPECT_EQ(filter->m_pData, nullptr);
  EXPECT_FALSE(filter->m_bLive);
}

TEST(DeNoiseState, ALiveLevelChangeDropsThePartialRun) {
  Owned<orv_filter::CDeNoiseTransform> filter;  // level 2
  FrameBuffer src(kType), dest(kType);
  filter->notifyStart(kType, kType);
  std::fill(src.getBufferPtr(), src.getBufferPtr() + 24, BYTE{200});
  for (int i = 0; i < 3; ++i) ASSERT_FALSE(filter->transform(src, dest));
  filter->changeLevelLive(1);
  std::fill(src.getBufferPtr(), src.getBufferPtr() + 24, BYTE{10});
  EXPECT_FALSE(filter->transform(src, dest));
  EXPECT_TRUE(filter->transform(src, dest));  // two frames after the change
  EXPECT_EQ(dest.getBufferPtr()[0], 10);       // the three 200s were dropped
}

}  // namespace
