// VARIANT life cycle and type coercion.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/oleauto.h"
#include "platform/taskmem.h"

namespace {

constexpr VARTYPE kVtCy = 6;
constexpr VARTYPE kVtDispatch = 9;
constexpr VARTYPE kVtVariant = 12;
constexpr VARTYPE kVtUnknown = 13;
constexpr VARTYPE kVtVoid = 24;

// A variant of numeric type vt holding `value` (cast to the member's type).
VARIANT num(VARTYPE vt, long double value) {
  VARIANT v{};
  v.vt = vt;
  switch (vt) {
    case VT_I1: v.cVal = static_cast<std::int8_t>(value); break;
    case VT_UI1: v.bVal = static_cast<std::uint8_t>(value); break;
    case VT_I2: v.iVal = static_cast<std::int16_t>(value); break;
    case VT_UI2: v.uiVal = static_cast<std::uint16_t>(value); break;
    case VT_I4: case VT_INT: v.lVal = static_cast<std::int32_t>(value); break;
    case VT_UI4: case VT_UINT: v.ulVal = static_cast<std::uint32_t>(value); break;
    case VT_I8: v.llVal = static_cast<std::int64_t>(value); break;
    case VT_UI8: v.ullVal = static_cast<std::uint64_t>(value); break;
    case VT_R4: v.fltVal = static_cast<float>(value); break;
    case VT_R8: v.dblVal = static_cast<double>(value); break;
    case VT_BOOL: v.boolVal = static_cast<VARIANT_BOOL>(value); break;
    case VT_ERROR: v.scode = static_cast<SCODE>(static_cast<std::int64_t>(value)); break;
    default: break;
  }
  return v;
}

// The numeric member that belongs to v.vt, exactly (long double holds every 64-bit integer).
long double valueOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: case VT_INT: return v.lVal;
    case VT_UI4: case VT_UINT: return v.ulVal;
    case VT_I8: return v.llVal;
    case VT_UI8: return v.ullVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_BOOL: return v.boolVal;
    case VT_ERROR: return v.scode;
    default: return 0;
  }
}

VARIANT str(std::u16string_view text) {
  VARIANT v{};
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return v;
}

std::u16string textOf(const VARIANT& v) { return std::u16string(v.bstrVal, SysStringLen(v.bstrVal)); }

std::string describe(const VARIANT& v) {
  if (v.vt == VT_BSTR) {
    std::string out = "BSTR \"";
    for (char16_t c : textOf(v)) out += c < 128 ? static_cast<char>(c) : '?';
    return out + "\"";
  }
  return "vt " + std::to_string(v.vt) + " value " + std::to_string(static_cast<double>(valueOf(v)));
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr long double kU64Max = 18446744073709551615.0L;
constexpr long double kI64Min = -9223372036854775808.0L;

struct NumericCase {
  VARIANT src;
  VARTYPE to;
  HRESULT hr;
  long double expected;
};

TEST(VariantChangeType, NumericTargets) {
  const std::vector<NumericCase> cases = {
      // Empty is zero, null converts to nothing but itself.
      {VARIANT{}, VT_I4, S_OK, 0}, {VARIANT{}, VT_R8, S_OK, 0}, {VARIANT{}, VT_BOOL, S_OK, VARIANT_FALSE},
      {num(VT_NULL, 0), VT_I4, DISP_E_TYPEMISMATCH, 0}, {num(VT_NULL, 0), VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      // Integer ranges.
      {num(VT_I4, 255), VT_UI1, S_OK, 255}, {num(VT_I4, 256), VT_UI1, DISP_E_OVERFLOW, 0},
      {num(VT_I4, -128), VT_I1, S_OK, -128}, {num(VT_I4, -129), VT_I1, DISP_E_OVERFLOW, 0},
      {num(VT_I4, -1), VT_UI4, DISP_E_OVERFLOW, 0}, {num(VT_I2, -1), VT_UINT, DISP_E_OVERFLOW, 0},
      {num(VT_UI4, 4294967295.0L), VT_I4, DISP_E_OVERFLOW, 0}, {num(VT_UI4, 4294967295.0L), VT_I8, S_OK, 4294967295.0L},
      {num(VT_UI8, kU64Max), VT_I8, DISP_E_OVERFLOW, 0}, {num(VT_I8, -1), VT_UI8, DISP_E_OVERFLOW, 0},
      {num(VT_I8, kI64Min), VT_I8, S_OK, kI64Min}, {num(VT_I8, 65535), VT_UI2, S_OK, 65535},
      {num(VT_INT, -5), VT_I2, S_OK, -5}, {num(VT_UI1, 200), VT_I1, DISP_E_OVERFLOW, 0},
      // Reals round half to even, after which the range is checked.
      {num(VT_R8, 2.5), VT_I4, S_OK, 2}, {num(VT_R8, 3.5), VT_I4, S_OK, 4}, {num(VT_R8, -2.5), VT_I4, S_OK, -2},
      {num(VT_R8, 2.5000001), VT_I4, S_OK, 3}, {num(VT_R8, -1.4), VT_I8, S_OK, -1},
      {num(VT_R8, -0.5), VT_UI1, S_OK, 0}, {num(VT_R8, -0.51), VT_UI1, DISP_E_OVERFLOW, 0},
      {num(VT_R8, 254.5), VT_UI1, S_OK, 254}, {num(VT_R8, 255.5), VT_UI1, DISP_E_OVERFLOW, 0},
      {num(VT_R8, 2147483647.4), VT_I4, S_OK, 2147483647}, {num(VT_R8, 2147483647.5), VT_I4, DISP_E_OVERFLOW, 0},
      {num(VT_R8, 1.8446744073709552e19), VT_UI8, DISP_E_OVERFLOW, 0},
      {num(VT_R8, kNaN), VT_I4, DISP_E_OVERFLOW, 0}, {num(VT_R8, -kInf), VT_I8, DISP_E_OVERFLOW, 0},
      {num(VT_R4, 1.5f), VT_I2, S_OK, 2}, {num(VT_R8, 1e300), VT_R4, DISP_E_OVERFLOW, 0},
      {num(VT_R8, 0.25), VT_R4, S_OK, 0.25}, {num(VT_UI8, kU64Max), VT_R8, S_OK, 18446744073709551616.0L},
      // Booleans are the 16-bit integers -1 and 0; true does not fit an unsigned type.
      {num(VT_BOOL, VARIANT_TRUE), VT_I4, S_OK, -1}, {num(VT_BOOL, VARIANT_TRUE), VT_I1, S_OK, -1},
      {num(VT_BOOL, VARIANT_TRUE), VT_R8, S_OK, -1}, {num(VT_BOOL, VARIANT_FALSE), VT_UI1, S_OK, 0},
      {num(VT_BOOL, VARIANT_TRUE), VT_UI1, DISP_E_OVERFLOW, 0}, {num(VT_BOOL, VARIANT_TRUE), VT_UI8, DISP_E_OVERFLOW, 0},
      {num(VT_I4, 5), VT_BOOL, S_OK, VARIANT_TRUE}, {num(VT_UI8, 0), VT_BOOL, S_OK, VARIANT_FALSE},
      {num(VT_R8, 0.25), VT_BOOL, S_OK, VARIANT_TRUE}, {num(VT_R4, -0.0f), VT_BOOL, S_OK, VARIANT_FALSE},
      // Error codes pass to and from 32-bit integers only.
      {num(VT_ERROR, -2147467259.0L), VT_I4, S_OK, -2147467259.0L}, {num(VT_I4, 7), VT_ERROR, S_OK, 7},
      {num(VT_ERROR, 1), VT_I2, DISP_E_TYPEMISMATCH, 0}, {num(VT_ERROR, 1), VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      {num(VT_I2, 1), VT_ERROR, DISP_E_TYPEMISMATCH, 0}, {VARIANT{}, VT_ERROR, DISP_E_TYPEMISMATCH, 0},
      // Text holding decimal numbers.
      {str(u" -42 "), VT_I4, S_OK, -42}, {str(u"+7"), VT_I2, S_OK, 7}, {str(u"\t12\t"), VT_UI1, S_OK, 12},
      {str(u"2.5"), VT_I4, S_OK, 2}, {str(u"3.5"), VT_I4, S_OK, 4}, {str(u"-2.5"), VT_I4, S_OK, -2},
      {str(u"0.500001"), VT_I4, S_OK, 1}, {str(u".5"), VT_I4, S_OK, 0}, {str(u"5."), VT_I4, S_OK, 5},
      {str(u"-0.4"), VT_UI1, S_OK, 0}, {str(u"1e3"), VT_I4, S_OK, 1000}, {str(u"1.5E+1"), VT_I4, S_OK, 15},
      {str(u"250e-2"), VT_I4, S_OK, 2}, {str(u"0e999999999999"), VT_I4, S_OK, 0},
      {str(u"256"), VT_UI1, DISP_E_OVERFLOW, 0}, {str(u"1e999999999999"), VT_I4, DISP_E_OVERFLOW, 0},
      {str(u"18446744073709551615"), VT_UI8, S_OK, kU64Max},
      {str(u"18446744073709551616"), VT_UI8, DISP_E_OVERFLOW, 0},
      {str(u"-9223372036854775808"), VT_I8, S_OK, kI64Min},
      {str(u"9223372036854775807.5"), VT_I8, DISP_E_OVERFLOW, 0},
      {str(u"3.25"), VT_R8, S_OK, 3.25}, {str(u"-1e-3"), VT_R4, S_OK, -1e-3f}, {str(u"1e400"), VT_R8, DISP_E_OVERFLOW, 0},
      {str(u"1e-400"), VT_R8, S_OK, 0}, {str(u"1e39"), VT_R4, DISP_E_OVERFLOW, 0},
      {str(u""), VT_I4, DISP_E_TYPEMISMATCH, 0}, {str(u"  "), VT_I4, DISP_E_TYPEMISMATCH, 0},
      {str(u"abc"), VT_I4, DISP_E_TYPEMISMATCH, 0}, {str(u"1 2"), VT_I4, DISP_E_TYPEMISMATCH, 0},
      {str(u"."), VT_R8, DISP_E_TYPEMISMATCH, 0}, {str(u"1e"), VT_I4, DISP_E_TYPEMISMATCH, 0},
      {str(u"0x10"), VT_I4, DISP_E_TYPEMISMATCH, 0}, {str(u"- 1"), VT_I4, DISP_E_TYPEMISMATCH, 0},
      {str(u"True"), VT_I4, DISP_E_TYPEMISMATCH, 0}, {str(u"12"), VT_ERROR, DISP_E_TYPEMISMATCH, 0},
      // Text to boolean: the two words in any case, or a number.
      {str(u"TRUE"), VT_BOOL, S_OK, VARIANT_TRUE}, {str(u"fAlSe"), VT_BOOL, S_OK, VARIANT_FALSE},
      {str(u"2"), VT_BOOL, S_OK, VARIANT_TRUE}, {str(u" -0.0 "), VT_BOOL, S_OK, VARIANT_FALSE},
      {str(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, 0}, {str(u"truth"), VT_BOOL, DISP_E_TYPEMISMATCH, 0},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    VARIANT src = cases[i].src;
    VARIANT dst{};
    VariantInit(&dst);
    const HRESULT hr = VariantChangeType(&dst, &src, 0, cases[i].to);
    SCOPED_TRACE("case " + std::to_string(i) + ": " + describe(src) + " -> vt " + std::to_string(cases[i].to));
    EXPECT_EQ(hr, cases[i].hr);
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(dst.vt, cases[i].to);
      EXPECT_EQ(valueOf(dst), cases[i].expected);
    } else {
      EXPECT_EQ(dst.vt, VT_EMPTY);
    }
    VariantClear(&dst);
    VariantClear(&src);
  }
}

struct TextCase {
  VARIANT src;
  std::uint16_t flags;
  std::u16string expected;
};

TEST(VariantChangeType, TextTarget) {
  const std::vector<TextCase> cases = {
      {VARIANT{}, 0, u""}, {num(VT_I4, -7), 0, u"-7"}, {num(VT_UI1, 255), 0, u"255"},
      {num(VT_UI8, kU64Max), 0, u"18446744073709551615"}, {num(VT_I8, kI64Min), 0, u"-9223372036854775808"},
      {num(VT_R8, 0.1), 0, u"0.1"}, {num(VT_R8, -2.5), 0, u"-2.5"}, {num(VT_R8, 1e20), 0, u"1E+20"},
      {num(VT_R4, 0.1f), 0, u"0.1"}, {num(VT_R8, 100), 0, u"100"},
      {num(VT_BOOL, VARIANT_TRUE), 0, u"-1"}, {num(VT_BOOL, VARIANT_FALSE), 0, u"0"},
      {num(VT_BOOL, VARIANT_TRUE), VARIANT_ALPHABOOL, u"True"},
      {num(VT_BOOL, VARIANT_FALSE), VARIANT_ALPHABOOL, u"False"},
      {str(std::u16string_view(u"a\0b", 3)), 0, std::u16string(u"a\0b", 3)},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    VARIANT src = cases[i].src;
    VARIANT dst{};
    SCOPED_TRACE("case " + std::to_string(i) + ": " + describe(src));
    ASSERT_EQ(VariantChangeType(&dst, &src, cases[i].flags, VT_BSTR), S_OK);
    ASSERT_EQ(dst.vt, VT_BSTR);
    ASSERT_NE(dst.bstrVal, nullptr);
    EXPECT_EQ(textOf(dst), cases[i].expected);
    if (src.vt == VT_BSTR) {
      EXPECT_NE(dst.bstrVal, src.bstrVal);
    }
    VariantClear(&dst);
    VariantClear(&src);
  }
}

TEST(VariantChangeType, RealsSurviveARoundTripThroughText) {
  for (double x : {0.1, 1.0 / 3.0, -123456.789e-300, 6.02214076e23, 5e-324, std::numeric_limits<double>::max()}) {
    VARIANT v = num(VT_R8, x);
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_R8), S_OK) << describe(v);
    EXPECT_EQ(v.dblVal, x);
  }
}

TEST(VariantChangeType, TypeCodes) {
  struct Case {
    VARTYPE from;
    VARTYPE to;
    HRESULT hr;
  };
  const Case cases[] = {
      {VT_I4, VT_EMPTY, S_OK},          {VT_BSTR, VT_EMPTY, S_OK},       {VT_I4, VT_NULL, S_OK},
      {VT_NULL, VT_NULL, S_OK},         {VT_EMPTY, VT_EMPTY, S_OK},      {VT_ERROR, VT_ERROR, S_OK},
      {VT_NULL, VT_EMPTY, DISP_E_TYPEMISMATCH}, {VT_NULL, VT_BSTR, DISP_E_TYPEMISMATCH},
      {VT_ERROR, VT_EMPTY, DISP_E_TYPEMISMATCH}, {VT_ERROR, VT_BSTR, DISP_E_TYPEMISMATCH},
      {VT_I4, kVtDispatch, DISP_E_TYPEMISMATCH}, {VT_I4, kVtUnknown, DISP_E_TYPEMISMATCH},
      {VT_I4, kVtVariant, DISP_E_TYPEMISMATCH},  {kVtUnknown, VT_I4, DISP_E_TYPEMISMATCH},
      {VT_I4, kVtCy, DISP_E_BADVARTYPE},         {VT_I4, kVtVoid, DISP_E_BADVARTYPE},
      {VT_I4, 0x4003, DISP_E_BADVARTYPE},        {200, VT_I4, DISP_E_BADVARTYPE},
      {200, kVtUnknown, DISP_E_BADVARTYPE},
  };
  for (const Case& c : cases) {
    VARIANT src{};
    src.vt = c.from;
    VARIANT dst{};
    EXPECT_EQ(VariantChangeType(&dst, &src, 0, c.to), c.hr) << c.from << " -> " << c.to;
    if (SUCCEEDED(c.hr)) {
      EXPECT_EQ(dst.vt, c.to);
    }
  }
}

TEST(VariantChangeType, InPlaceReplacesTheSource) {
  VARIANT v = str(u" 12 ");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the text is freed (the leak checker watches)
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 12);
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(textOf(v), u"12");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(textOf(v), u"12");
  VariantClear(&v);
}

TEST(VariantChangeType, FailureLeavesTheDestinationAlone) {
  VARIANT dst = str(u"keep");
  const BSTR kept = dst.bstrVal;
  VARIANT bad = str(u"not a number");
  EXPECT_EQ(VariantChangeType(&dst, &bad, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&bad, &bad, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(textOf(bad), u"not a number");
  VARIANT big = num(VT_I4, 1000);
  EXPECT_EQ(VariantChangeType(&dst, &big, 0, VT_UI1), DISP_E_OVERFLOW);
  orv::failNextTaskMemAllocs(1);
  EXPECT_EQ(VariantChangeType(&dst, &big, 0, VT_BSTR), E_OUTOFMEMORY);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_EQ(dst.bstrVal, kept);
  EXPECT_EQ(textOf(dst), u"keep");

  // A destination that was never initialised is refused, not overwritten.
  VARIANT garbage{};
  garbage.vt = 0x7777;
  EXPECT_EQ(VariantChangeType(&garbage, &big, 0, VT_I2), DISP_E_BADVARTYPE);
  EXPECT_EQ(garbage.vt, 0x7777);
  VariantClear(&dst);
  VariantClear(&bad);
}

TEST(Variant, ClearFreesTextAndRefusesUnknownTypes) {
  VARIANT v = str(u"text");
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  VARIANT nullText{};
  nullText.vt = VT_BSTR;
  EXPECT_EQ(VariantClear(&nullText), S_OK);
  VARIANT odd{};
  odd.vt = kVtDispatch;
  EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
  EXPECT_EQ(odd.vt, kVtDispatch);
}

TEST(Variant, CopyIsDeepAndClearsTheDestinationFirst) {
  VARIANT src = str(std::u16string_view(u"a\0b", 3));
  VARIANT dst = str(u"old");  // freed by the copy
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_EQ(textOf(dst), std::u16string(u"a\0b", 3));
  EXPECT_EQ(VariantCopy(&dst, &dst), S_OK);
  EXPECT_EQ(textOf(dst), std::u16string(u"a\0b", 3));

  VARIANT r8 = num(VT_R8, 2.75);
  r8.wReserved1 = 5;
  ASSERT_EQ(VariantCopy(&dst, &r8), S_OK);
  EXPECT_EQ(dst.vt, VT_R8);
  EXPECT_EQ(dst.dblVal, 2.75);
  EXPECT_EQ(dst.wReserved1, 5);

  VARIANT nullText{};
  nullText.vt = VT_BSTR;
  ASSERT_EQ(VariantCopy(&dst, &nullText), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_EQ(dst.bstrVal, nullptr);
  VariantClear(&src);
}

TEST(Variant, CopyFailures) {
  VARIANT src = str(u"text");
  VARIANT dst = num(VT_I4, 3);
  orv::failNextTaskMemAllocs(1);
  EXPECT_EQ(VariantCopy(&dst, &src), E_OUTOFMEMORY);
  EXPECT_EQ(dst.vt, VT_EMPTY);

  VARIANT unknown{};
  unknown.vt = kVtUnknown;
  dst = num(VT_I4, 3);
  EXPECT_EQ(VariantCopy(&dst, &unknown), DISP_E_BADVARTYPE);
  EXPECT_EQ(dst.vt, VT_I4);
  EXPECT_EQ(dst.lVal, 3);
  VariantClear(&src);

}

}  // namespace
