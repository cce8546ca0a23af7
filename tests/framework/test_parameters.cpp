// The parameter machinery on a filter with long and bool parameters.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "assert_capture.h"
#include "pixrt/framebuffer.h"
#include "pixrt/parametertext.h"
#include "platform/taskmem.h"
#include "test_filter.h"

using orv_test::TestFilter;

namespace {

// Owns a VARIANT for the length of a test.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  ~Var() { VariantClear(&v); }
  static Var i4(LONG n) {
    Var r;
    r.v.vt = VT_I4;
    r.v.lVal = n;
    return r;
  }
  static Var boolean(bool b) {
    Var r;
    r.v.vt = VT_BOOL;
    r.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
  }
  static Var text(const char16_t* s) {
    Var r;
    r.v.vt = VT_BSTR;
    r.v.bstrVal = SysAllocString(s);
    return r;
  }
  static Var real(double d) {
    Var r;
    r.v.vt = VT_R8;
    r.v.dblVal = d;
    return r;
  }
  Var(Var&& o) noexcept : v(o.v) { o.v.vt = VT_EMPTY; }
};

struct Params : ::testing::Test {
  TestFilter* filter = new TestFilter;
  IParameterCtrl* ctrl = filter;
  ~Params() override { filter->Release(); }

  std::u16string save() {
    WCHAR* text = nullptr;
    EXPECT_EQ(ctrl->saveParameters(&text), eParamOk);
    std::u16string s = text ? text : u"";
    CoTaskMemFree(text);
    return s;
  }
};

TEST_F(Params, GetStoresIntoTheCallersVariantByItsType) {
  Var empty;
  ASSERT_EQ(ctrl->getParameter(u"Gain", &empty.v), eParamOk);
  EXPECT_EQ(empty.v.vt, VT_I4);
  EXPECT_EQ(empty.v.lVal, 7);

  Var asBool = Var::boolean(false);
  ASSERT_EQ(ctrl->getParameter(u"Gain", &asBool.v), eParamOk);
  EXPECT_EQ(asBool.v.vt, VT_BOOL);
  EXPECT_EQ(asBool.v.boolVal, VARIANT_TRUE);

  Var err;
  err.v.vt = VT_ERROR;
  ASSERT_EQ(ctrl->getParameter(u"Gain", &err.v), eParamOk);
  EXPECT_EQ(err.v.vt, VT_ERROR);
  EXPECT_EQ(err.v.scode, 7);

  Var number = Var::text(u" 12 ");  // convertible: cleared and replaced
  ASSERT_EQ(ctrl->getParameter(u"Gain", &number.v), eParamOk);
  EXPECT_EQ(number.v.vt, VT_I4);
  EXPECT_EQ(number.v.lVal, 7);

  Var word = Var::text(u"abc");  // not convertible: untouched
  EXPECT_EQ(ctrl->getParameter(u"Gain", &word.v), eParamFailed);
  EXPECT_EQ(word.v.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(word.v.bstrVal), u"abc");

  Var null;
  null.v.vt = VT_NULL;
  EXPECT_EQ(ctrl->getParameter(u"Gain", &null.v), eParamFailed);

  Var flag = Var::i4(5);
  ASSERT_EQ(ctrl->getParameter(u"Enabled", &flag.v), eParamOk);
  EXPECT_EQ(flag.v.vt, VT_BOOL);
  EXPECT_EQ(flag.v.boolVal, VARIANT_FALSE);
}

TEST_F(Params, SetConvertsThenCallsTheSetter) {
  struct Case {
    const char* what;
    Var value;
    tParamResult result;
    LONG gain;
  };
  Case cases[] = {
      {"plain", Var::i4(42), eParamOk, 42},
      {"text", Var::text(u"1"), eParamOk, 1},
      {"not a number", Var::text(u"x1"), eParamFailed, 1},
      {"halves round to even", Var::real(2.5), eParamOk, 2},
      {"true is -1, out of range", Var::boolean(true), eParamInvalid, 2},
      {"range", Var::i4(101), eParamInvalid, 2},
      {"fraction in text", Var::text(u"3.5"), eParamOk, 4},
  };
  for (Case& c : cases) {
    EXPECT_EQ(ctrl->setParameter(u"Gain", &c.value.v), c.result) << c.what;
    EXPECT_EQ(filter->m_Gain, c.gain) << c.what;
  }

  Var five = Var::i4(5), no = Var::text(u"fAlSe"), yes = Var::text(u"TRUE"), junk = Var::text(u"yes");
  EXPECT_EQ(ctrl->setParameter(u"Enabled", &five.v), eParamOk);
  EXPECT_TRUE(filter->m_Enabled);
  EXPECT_EQ(ctrl->setParameter(u"Enabled", &no.v), eParamOk);
  EXPECT_FALSE(filter->m_Enabled);
  EXPECT_EQ(ctrl->setParameter(u"Enabled", &yes.v), eParamOk);
  EXPECT_TRUE(filter->m_Enabled);
  EXPECT_EQ(ctrl->setParameter(u"Enabled", &junk.v), eParamFailed);
  EXPECT_TRUE(filter->m_Enabled);
  EXPECT_EQ(yes.v.vt, VT_BSTR);  // the caller's VARIANT is not changed
}

TEST_F(Params, NamesMatchExactly) {
  Var v = Var::i4(1);
  EXPECT_EQ(ctrl->getParameter(u"gain", &v.v), eParamNotFound);
  EXPECT_EQ(ctrl->setParameter(u"Gain ", &v.v), eParamNotFound);
  EXPECT_EQ(ctrl->getParameter(nullptr, &v.v), eParamInvalid);
  EXPECT_EQ(ctrl->setParameter(u"Gain", nullptr), eParamInvalid);
  EXPECT_EQ(ctrl->setParameter(TestFilter::kLongName, &v.v), eParamOk);
  EXPECT_EQ(ctrl->getParameter(TestFilter::kLongName, &v.v), eParamOk);

  ULONG size = 0;
  BYTE data[4] = {};
  EXPECT_EQ(ctrl->setData(u"Gain", data, 4), eParamNotFound);
  EXPECT_EQ(ctrl->getDataSize(u"Gain", &size), eParamNotFound);
  EXPECT_EQ(ctrl->getData(u"x", data, 4), eParamNotFound);
}

TEST_F(Params, DescriptionsFollowNameOrder) {
  ParameterDesc d;
  ASSERT_TRUE(ctrl->getParameterDesc(0, &d));
  EXPECT_EQ(std::u16string(d.name), std::u16string(TestFilter::kLongName).substr(0, 29));
  EXPECT_EQ(d.name[29], u'\0');
  EXPECT_EQ(d.typeId, 0);
  EXPECT_EQ(std::u16string(d.typeName), u"Long");
  ASSERT_TRUE(ctrl->getParameterDesc(1, &d));
  EXPECT_EQ(std::u16string(d.name), u"Enabled");
  EXPECT_EQ(d.typeId, 1);
  EXPECT_EQ(std::u16string(d.typeName), u"Boolean");
  for (std::size_t i = 8; i < 30; ++i) EXPECT_EQ(d.typeName[i], u'\0');
  ASSERT_TRUE(ctrl->getParameterDesc(2, &d));
  EXPECT_EQ(std::u16string(d.name), u"Gain");

  ParameterDesc before = d;
  EXPECT_FALSE(ctrl->getParameterDesc(3, &d));
  EXPECT_EQ(std::memcmp(&before, &d, sizeof d), 0);
  orv_test::AssertCapture asserts;
  EXPECT_FALSE(ctrl->getParameterDesc(0, nullptr));
  EXPECT_EQ(asserts.lastExpression(), "pPD");
}

TEST_F(Params, TextRoundTrips) {
  const std::u16string saved = save();
  // A name longer than the descriptor's 29 units cannot be read back through
  // its truncated description, so the text leaves that parameter out.
  EXPECT_EQ(saved, u"{\"Enabled\":false,\"Gain\":7}");

  filter->m_Gain = 99;
  filter->m_Enabled = true;
  ASSERT_EQ(ctrl->restoreParameters(saved.c_str()), eParamOk);
  EXPECT_EQ(filter->m_Gain, 7);
  EXPECT_FALSE(filter->m_Enabled);

  EXPECT_EQ(ctrl->restoreParameters(u"{\"Gain\":\"42\",\"Enabled\":1}"), eParamOk);
  EXPECT_EQ(filter->m_Gain, 42);
  EXPECT_TRUE(filter->m_Enabled);
}

TEST_F(Params, RejectedTextsApplyNothing) {
  const char16_t* rejected[] = {
      u"",
      u"{",
      u"[1,2]",
      u"17",
      u"{\"Gain\":3,\"Enabled\":null}",
      u"{\"Gain\":3,\"Enabled\":[true]}",
      u"{\"Gain\":3,\"Enabled\":{}}",
      u"{\"Gain\":3} trailing",
      u"{\"Gain\":3,\"Enabled\":true,\"Nope\":1}",
      u"{\"Gain\":3,\"Enabled\":true,\"Gain\":4}",
      u"{\"Gain\":3,\"Enabled\":\"maybe\"}",
      u"{\"Enabled\":true,\"Gain\":5000000000}",
  };
  for (const char16_t* text : rejected) {
    EXPECT_EQ(ctrl->restoreParameters(text), eParamFailed);
    EXPECT_EQ(filter->m_Gain, 7);
    EXPECT_FALSE(filter->m_Enabled);
  }
}

TEST_F(Params, ARefusedValueFailsButTheRestApply) {
  EXPECT_EQ(ctrl->restoreParameters(u"{\"Gain\":500,\"Enabled\":true}"), eParamFailed);
  EXPECT_EQ(filter->m_Gain, 7);
  EXPECT_TRUE(filter->m_Enabled);
}

TEST_F(Params, ARejectedTextNamesTheKeyAndTheReason) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"{\"Gain\":", "not JSON (the text ends too early)"},
      {"{\"Gain\" 3}", "not JSON (the text goes wrong at byte 9)"},
      {"[1]", "not a JSON object"},
      {"{\"Gain\":3,\"Gain\":4}", "'Gain' is given twice"},
      {"{\"Nope\":1}", "'Nope' is not a parameter of the filter (its parameters: "},
      {"{\"Enabled\":\"maybe\"}", "'Enabled': \"maybe\" does not convert to Boolean"},
      {"{\"Gain\":null}", "'Gain': null is not a value"},
      {"{\"Gain\":500,\"Enabled\":true}", "'Gain': 500 is refused: the value is out of range or not allowed"},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_FALSE(Pixlib::restoreFrameFilterData(ctrl, c.text, reason)) << c.text;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.text << ": " << reason;
  }
  // A name longer than its description is still a parameter of the filter.
  std::string reason;
  EXPECT_TRUE(Pixlib::restoreFrameFilterData(ctrl, "{\"A parameter name of 35 code units!!\":9}", reason)) << reason;
  EXPECT_EQ(filter->m_Gain, 9);
}

TEST_F(Params, SaveAndRestoreRefuseNullsAndKeepTheOutputOnFailure) {
  EXPECT_EQ(ctrl->saveParameters(nullptr), eParamInvalid);
  EXPECT_EQ(ctrl->restoreParameters(nullptr), eParamInvalid);
  WCHAR* text = reinterpret_cast<WCHAR*>(0x1);
  orv::failNextTaskMemAllocs(1);
  EXPECT_EQ(ctrl->saveParameters(&text), eParamFailed);
  EXPECT_EQ(text, reinterpret_cast<WCHAR*>(0x1));
}

TEST_F(Params, RawListsOfAnEmptyFilter) {
  FrameTypeInfo* types = reinterpret_cast<FrameTypeInfo*>(0x1);
  LONG count = 5;
  EXPECT_EQ(filter->getSupportedInputTypes_(&types, &count), S_FALSE);
  EXPECT_EQ(types, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(filter->getTransformOutputTypes_(FrameTypeInfo(), &types, &count), S_OK);
  EXPECT_EQ(count, 0);
  CoTaskMemFree(types);
  EXPECT_EQ(filter->getTransformOutputTypes_(FrameTypeInfo(GUID_NULL, -1, 0, 0), &types, &count), E_FAIL);
  EXPECT_FALSE(filter->checkInputType(FrameTypeInfo()));
}

TEST_F(Params, ValuesThatCannotBeCopiedOrMemoryRunningOutFailWithoutThrowing) {
  struct Case {
    const char* what;
    Var value;
    int failedAllocs;
  };
  auto raw = [](VARTYPE vt) {
    Var r;
    r.v.vt = vt;
    return r;
  };
  Case cases[] = {
      {"by reference", raw(0x4000 | VT_I4), 0},
      {"array", raw(0x2000 | VT_I4), 0},
      {"unknown type", raw(0xFFFF), 0},
      {"no memory for the copy of a text", Var::text(u"5"), 1},
  };
  for (Case& c : cases) {
    for (const char16_t* name : {u"Gain", u"Enabled"}) {
      const VARIANT before = c.value.v;
      orv::failNextTaskMemAllocs(c.failedAllocs);
      EXPECT_EQ(ctrl->setParameter(name, &c.value.v), eParamFailed) << c.what;
      orv::failNextTaskMemAllocs(c.failedAllocs);
      EXPECT_EQ(ctrl->getParameter(name, &c.value.v), eParamFailed) << c.what;
      EXPECT_EQ(std::memcmp(&before, &c.value.v, sizeof before), 0) << c.what;
    }
    EXPECT_EQ(filter->m_Gain, 7);
    EXPECT_FALSE(filter->m_Enabled);
  }
  orv::failNextTaskMemAllocs(0);
}

// Every typed operation throws what the case says; the raw operations a host
// calls answer with a result code instead.
struct ThrowingFilter : TestFilter {
  std::function<void()> raise;
  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>&) override { raise(); }
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo&, std::vector<FrameTypeInfo>&) override {
    raise();
    return true;
  }
  bool ORV_CALL transform(const IFrameBuffer&, IFrameBuffer&) override {
    raise();
    return true;
  }
  void ORV_CALL notifyStart(const FrameTypeInfo&, const FrameTypeInfo&) override { raise(); }
  void ORV_CALL notifyStop() override { raise(); }

  ThrowingFilter() {
    addLongParam(std::u16string(u"Throws"), static_cast<LongGetter>(&ThrowingFilter::get),
                 static_cast<LongSetter>(&ThrowingFilter::set));
  }
  tParamResult get(LONG*) {
    raise();
    return eParamOk;
  }
  tParamResult set(LONG) {
    raise();
    return eParamOk;
  }
};

TEST(Boundary, NoExceptionLeavesARawOperation) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    HRESULT hr;
  };
  const Case cases[] = {
      {"memory", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"standard", [] { throw std::runtime_error("x"); }, E_FAIL},
      {"anything", [] { throw 42; }, E_FAIL},
  };
  const FrameTypeInfo type(MEDIASUBTYPE_Y800, 4, 4, 16);
  Pixlib::FrameBuffer src(type), dest(type);
  for (const Case& c : cases) {
    auto* f = new ThrowingFilter;
    f->raise = c.raise;
    FrameTypeInfo* types = nullptr;
    LONG count = 0;
    EXPECT_EQ(f->transform_(src, dest), c.hr) << c.what;
    EXPECT_EQ(f->getSupportedInputTypes_(&types, &count), c.hr) << c.what;
    EXPECT_EQ(f->getTransformOutputTypes_(type, &types, &count), c.hr) << c.what;
    EXPECT_EQ(f->checkInputType_(type), c.hr) << c.what;
    EXPECT_EQ(f->checkTransformTypes_(type, type), c.hr) << c.what;
    EXPECT_EQ(f->notifyStart_(type, type), c.hr) << c.what;
    EXPECT_EQ(f->notifyStop_(), c.hr) << c.what;
    VARIANT v;
    VariantInit(&v);
    WCHAR* text = nullptr;
    EXPECT_EQ(f->setParameter(u"Throws", &v), eParamFailed) << c.what;
    EXPECT_EQ(f->getParameter(u"Throws", &v), eParamFailed) << c.what;
    EXPECT_EQ(f->saveParameters(&text), eParamOk) << c.what;  // without the unreadable one
    CoTaskMemFree(text);
    EXPECT_EQ(f->restoreParameters(u"{\"Throws\":1}"), eParamFailed) << c.what;
    f->Release();
  }
}

TEST(Lifetime, TheLastReleaseDeletesTheFilter) {
  static int destroyed = 0;
  struct Counted : TestFilter {
    ~Counted() override { ++destroyed; }
  };
  auto* f = new Counted;
  EXPECT_EQ(f->AddRef(), 2u);
  EXPECT_EQ(f->Release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(f->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
