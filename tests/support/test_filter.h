// A filter built from the framework inside the test program, with a long and
// a bool parameter (one under a 35-unit name) and an empty input list.
#pragma once

#include "framefilterimpl.h"

namespace orv_test {

class TestFilter : public FrameFilterImpl<TestFilter> {
 public:
  static constexpr const char16_t* kLongName = u"A parameter name of 35 code units!!";  // 35 units

  TestFilter() {
    addLongParam(std::u16string(u"Gain"), &TestFilter::getGain, &TestFilter::setGain);
    addBoolParam(std::string("Enabled"), &TestFilter::getEnabled, &TestFilter::setEnabled);
    addLongParam(std::u16string(kLongName), &TestFilter::getGain, &TestFilter::setGain);
  }

  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"Test Filter"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>&) override {}
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override {
    if (in.dim.cx < 0) return false;
    if (in.dim.cx > 0) out.push_back(in);  // width 0 yields an empty list
    return true;
  }
  bool ORV_CALL transform(const IFrameBuffer&, IFrameBuffer& dest) override { return dest.getBufferPtr() != nullptr; }

  // Gain accepts 0..100.
  tParamResult getGain(LONG* v) {
    *v = m_Gain;
    return eParamOk;
  }
  tParamResult setGain(LONG v) {
    if (v < 0 || v > 100) return eParamInvalid;
    m_Gain = v;
    return eParamOk;
  }
  tParamResult getEnabled(bool* v) {
    *v = m_Enabled;
    return eParamOk;
  }
  tParamResult setEnabled(bool v) {
    m_Enabled = v;
    return eParamOk;
  }

  LONG m_Gain = 7;
  bool m_Enabled = false;
};

}  // namespace orv_test
