// The chain driver: negotiation link by link, streaming, and what it says
// when a filter refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framefilterimpl.h"
#include "loaded_module.h"
#include "pixrt/filterchain.h"

using namespace Pixlib;

namespace {

// A filter whose types and behaviour a test sets, and which records every
// call it receives in a shared log.
class ScriptedFilter : public FrameFilterImpl<ScriptedFilter> {
 public:
  ScriptedFilter(std::string tag, std::vector<std::string>& log) : m_Tag(std::move(tag)), m_Log(log) {
    addLongParam(std::u16string(u"Level"), &ScriptedFilter::getLevel, &ScriptedFilter::setLevel);
  }
  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"Scripted"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override {
    for (const GUID& s : inputs) types.emplace_back(s, 0, 0, 0);
  }
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override {
    if (failOutputs) return false;
    for (const GUID& s : outputs) out.emplace_back(s, in.dim.cx, in.dim.cy, outputSize);
    return true;
  }
  bool ORV_CALL checkTransformTypes(const FrameTypeInfo& in, const FrameTypeInfo& out) override {
    return confirm && FrameFilterImpl<ScriptedFilter>::checkTransformTypes(in, out);
  }
  void ORV_CALL notifyStart(const FrameTypeInfo& in, const FrameTypeInfo& out) override {
    m_Log.push_back(m_Tag + " start " + frameTypeText(in) + " -> " + frameTypeText(out) + " " +
                    std::to_string(out.buffersize));
  }
  void ORV_CALL notifyStop() override { m_Log.push_back(m_Tag + " stop"); }
  void ORV_CALL lock() override {
    FrameFilterImpl<ScriptedFilter>::lock();
    m_Log.push_back(m_Tag + " lock");
  }
  void ORV_CALL unlock() override {
    m_Log.push_back(m_Tag + " unlock");
    FrameFilterImpl<ScriptedFilter>::unlock();
  }
  tParamResult setLevel(LONG v) {
    m_Log.push_back(m_Tag + " set Level " + std::to_string(v));
    return eParamOk;
  }
  tParamResult getLevel(LONG* v) {
    *v = 0;
    return eParamOk;
  }
  // Writes the first source byte plus one into every destination byte;
  // produces a frame only for every `emitEvery`-th call.
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override {
    m_Log.push_back(m_Tag + " transform");
    if (++m_Calls % emitEvery != 0) return false;
    std::fill_n(dest.getBufferPtr(), dest.getFrameType().buffersize, BYTE(src.getBufferPtr()[0] + 1));
    return true;
  }

  std::vector<GUID> inputs{MEDIASUBTYPE_Y800};
  std::vector<GUID> outputs{MEDIASUBTYPE_Y800};
  DWORD outputSize = 0;  // the buffer size stated with every output type
  bool failOutputs = false;
  bool confirm = true;
  int emitEvery = 1;

 private:
  std::string m_Tag;
  std::vector<std::string>& m_Log;
  int m_Calls = 0;
};

struct ChainFixture : testing::Test {
  // Filters owned by the test (one reference each, besides the chain's).
  ScriptedFilter& add(const std::string& tag) {
    filters.push_back(new ScriptedFilter(tag, log));
    chain.append(filters.back(), tag);
    return *filters.back();
  }
  ~ChainFixture() override {
    chain.stop();
    for (ScriptedFilter* f : filters) f->Release();
  }

  std::vector<std::string> log;
  std::vector<ScriptedFilter*> filters;
  FilterChain chain;
  const FrameTypeInfo grey{MEDIASUBTYPE_Y800, 4, 2, 0};
};

TEST_F(ChainFixture, TakesTheFirstOutputTypeTheNextFilterAcceptsAndTheFirstListedAtTheEnd) {
  ScriptedFilter& a = add("a");
  a.outputs = {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24};
  ScriptedFilter& b = add("b");
  b.inputs = {MEDIASUBTYPE_RGB24};
  b.outputs = {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24};
  std::string error;
  ASSERT_TRUE(chain.negotiate(grey, error)) << error;
  EXPECT_EQ(chain.inputType().buffersize, 8u);  // filled in when open
  EXPECT_EQ(chain.outputTypeOf(0), FrameTypeInfo(MEDIASUBTYPE_RGB24, 4, 2, 24));
  EXPECT_EQ(chain.inputTypeOf(1), chain.outputTypeOf(0));
  EXPECT_EQ(chain.outputTypeOf(1), FrameTypeInfo(MEDIASUBTYPE_RGB32, 4, 2, 32));
}

TEST_F(ChainFixture, RefusalsNameTheFilterAndTheType) {
  struct Case {
    const char* what;
    void (*script)(ScriptedFilter& a, ScriptedFilter& b);
    const char* expected;
  };
  const Case cases[] = {
      {"first filter refuses the input", [](ScriptedFilter& a, ScriptedFilter&) { a.inputs = {MEDIASUBTYPE_BY8}; },
       "'a' refuses input Y800 4x2 (it accepts BY8)"},
      {"next filter refuses every output",
       [](ScriptedFilter& a, ScriptedFilter& b) {
         a.outputs = {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24};
         b.inputs = {MEDIASUBTYPE_BY8, MEDIASUBTYPE_Y800};
       },
       "'b' refuses every output type of 'a' (RGB32 4x2, RGB24 4x2); it accepts BY8, Y800"},
      {"no output for the input", [](ScriptedFilter&, ScriptedFilter& b) { b.failOutputs = true; },
       "'b' cannot produce frames from Y800 4x2"},
      {"empty output list", [](ScriptedFilter& a, ScriptedFilter&) { a.outputs.clear(); },
       "'a' offers no output type for Y800 4x2"},
      {"transform not confirmed", [](ScriptedFilter&, ScriptedFilter& b) { b.confirm = false; },
       "'b' does not confirm the transform from Y800 4x2 to Y800 4x2"},
      {"output of no size", [](ScriptedFilter&, ScriptedFilter& b) { b.outputs = {GUID_NULL}; },
       "'b' would produce any 4x2, a size no frame buffer can take"},
      {"output stated smaller than its pixels", [](ScriptedFilter&, ScriptedFilter& b) { b.outputSize = 7; },
       "'b' would produce Y800 4x2 frames of 7 bytes, though they take 8"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> log;
    auto* a = new ScriptedFilter("a", log);
    auto* b = new ScriptedFilter("b", log);
    c.script(*a, *b);
    FilterChain chain;
    chain.append(a, "a");
    chain.append(b, "b");
    a->Release();
    b->Release();
    std::string error;
    EXPECT_FALSE(chain.negotiate(grey, error)) << c.what;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.what << ": " << error;
    EXPECT_FALSE(chain.start(error)) << c.what;
    EXPECT_TRUE(log.empty()) << c.what;  // nothing started
  }
}

TEST_F(ChainFixture, AnInputStatedSmallerThanItsPixelsIsRefused) {
  add("a");
  std::string error;
  EXPECT_FALSE(chain.negotiate(FrameTypeInfo(MEDIASUBTYPE_Y800, 4, 2, 7), error));
  EXPECT_NE(error.find("Y800 4x2 frames of 7 bytes, though they take 8"), std::string::npos) << error;
  EXPECT_TRUE(chain.negotiate(FrameTypeInfo(MEDIASUBTYPE_Y800, 4, 2, 9), error)) << error;  // room to spare
}

TEST_F(ChainFixture, AFilterWithoutAFrameEndsThatFramesWayDownTheChain) {
  ScriptedFilter& a = add("a");
  a.emitEvery = 2;
  add("b");
  std::string error;
  ASSERT_TRUE(chain.negotiate(grey, error)) << error;
  ASSERT_TRUE(chain.start(error)) << error;
  const BYTE* outputMemory = chain.outputOf(1)->getBufferPtr();

  BYTE pixels[8] = {10};
  FrameBuffer frame(chain.inputType(), pixels);
  const std::size_t expected[] = {0, 2, 0, 2};
  for (std::size_t n : expected) EXPECT_EQ(chain.push(frame), n);
  chain.stop();

  EXPECT_EQ(chain.outputOf(1)->getBufferPtr(), outputMemory);  // made once, at start
  EXPECT_EQ(chain.outputOf(1)->getBufferPtr()[7], 12);         // 10 + 1 + 1
  EXPECT_EQ(chain.figuresOf(0).framesIn, 4u);
  EXPECT_EQ(chain.figuresOf(0).framesOut, 2u);
  EXPECT_EQ(chain.figuresOf(1).framesIn, 2u);
  EXPECT_EQ(chain.figuresOf(1).framesOut, 2u);
  const std::vector<std::string> calls = {
      "a start Y800 4x2 -> Y800 4x2 8", "b start Y800 4x2 -> Y800 4x2 8",
      "a transform", "a transform", "b transform", "a transform", "a transform", "b transform",
      "a stop", "b stop"};
  EXPECT_EQ(log, calls);
}

TEST_F(ChainFixture, TakesOnlyFramesOfTheNegotiatedTypeWhileRunning) {
  add("a");
  BYTE pixels[8] = {};
  FrameBuffer frame(FrameTypeInfo(MEDIASUBTYPE_Y800, 4, 2, 8), pixels);
  std::string error;
  EXPECT_FALSE(chain.start(error));  // not negotiated
  ASSERT_TRUE(chain.negotiate(grey, error)) << error;
  EXPECT_EQ(chain.push(frame), 0u);  // not started
  ASSERT_TRUE(chain.start(error)) << error;
  EXPECT_FALSE(chain.negotiate(grey, error));
  BYTE small[4] = {};
  EXPECT_EQ(chain.push(FrameBuffer(FrameTypeInfo(MEDIASUBTYPE_Y800, 2, 2, 4), small)), 0u);
  EXPECT_EQ(chain.push(FrameBuffer(FrameTypeInfo(MEDIASUBTYPE_BY8, 4, 2, 8), pixels)), 0u);
  EXPECT_EQ(chain.push(FrameBuffer(grey, nullptr)), 0u);
  EXPECT_EQ(chain.push(frame), 1u);
  EXPECT_EQ(chain.figuresOf(0).framesIn, 1u);
  add("b");  // no output frame yet: frames wait for a new negotiation
  EXPECT_EQ(chain.push(frame), 0u);
  EXPECT_EQ(chain.figuresOf(0).framesIn, 1u);
}

TEST_F(ChainFixture, ParameterChangesAreMadeUnderTheFiltersLock) {
  add("a");
  add("b");
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = 3;
  EXPECT_EQ(chain.setParameter(1, u"Level", v), eParamOk);
  EXPECT_EQ(chain.setParameter(1, u"Nope", v), eParamNotFound);
  EXPECT_EQ(chain.setParameter(2, u"Level", v), eParamNotFound);
  const std::vector<std::string> calls = {"b lock", "b set Level 3", "b unlock", "b lock", "b unlock"};
  EXPECT_EQ(log, calls);
}

TEST(FilterChainLifetime, StopsARunningChainAndReleasesItsReferences) {
  std::vector<std::string> log;
  auto* filter = new ScriptedFilter("a", log);
  {
    FilterChain chain;
    chain.append(filter, "a");
    std::string error;
    ASSERT_TRUE(chain.negotiate(FrameTypeInfo(MEDIASUBTYPE_Y800, 2, 2, 0), error));
    ASSERT_TRUE(chain.start(error));
  }
  EXPECT_EQ(log.back(), "a stop");
  EXPECT_EQ(filter->AddRef(), 2u);  // only the test's reference and this one remain
  filter->Release();
  filter->Release();
}

TEST(FilterChainWithModule, PassesABayerFrameOnAsGreyByteForByte) {
  orv_test::FilterRef filter(u"Bayer to Y800");
  FilterChain chain;
  chain.append(filter.p, "Bayer to Y800");
  std::string error;
  ASSERT_TRUE(chain.negotiate(FrameTypeInfo(MEDIASUBTYPE_BY8, 5, 3, 0), error)) << error;
  EXPECT_EQ(chain.outputTypeOf(0), FrameTypeInfo(MEDIASUBTYPE_Y800, 5, 3, 15));
  ASSERT_TRUE(chain.start(error)) << error;
  BYTE pixels[15];
  for (int i = 0; i < 15; ++i) pixels[i] = static_cast<BYTE>(i * 17);
  ASSERT_EQ(chain.push(FrameBuffer(chain.inputType(), pixels)), 1u);
  EXPECT_TRUE(std::equal(pixels, pixels + 15, chain.outputOf(0)->getBufferPtr()));

  std::string refused;
  FilterChain wrong;
  wrong.append(filter.p, "Bayer to Y800");
  EXPECT_FALSE(wrong.negotiate(FrameTypeInfo(MEDIASUBTYPE_RGB24, 5, 3, 0), refused));
  EXPECT_EQ(refused, "'Bayer to Y800' refuses input RGB24 5x3 (it accepts BY8)");
}

}  // namespace
