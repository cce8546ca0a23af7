// VARIANT conversion on arbitrary values: any type code (by-reference and
// array flags and unknown codes included) with any contents, copied,
// converted to any type (into a second variant and in place) and cleared;
// then the same values through setParameter and getParameter of every filter.
// Text is always a real string; no other member is ever a pointer we follow.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_filters.h"
#include "platform/oleauto.h"

namespace {

using orv_fuzz::FilterRef;

constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2,  VT_I4,  VT_R4,   VT_R8,  VT_BSTR, VT_ERROR,
                              VT_BOOL,  VT_I1,   VT_UI1, VT_UI2, VT_UI4,  VT_I8,  VT_UI8,  VT_INT,
                              VT_UINT,  9,       12,     13,     36,      0x4003, 0x2003,  0xFFFF};

// Mostly a type this layer knows of, sometimes any 16 bits.
VARTYPE pickType(FuzzedDataProvider& in) {
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  return pick < 240 ? kTypes[pick % std::size(kTypes)] : in.ConsumeIntegral<VARTYPE>();
}

// A variant the caller owns: a string for VT_BSTR (or a null one), raw bytes otherwise.
VARIANT makeVariant(FuzzedDataProvider& in) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  v.vt = pickType(in);
  if (v.vt == VT_BSTR) {
    const std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, 64);
    const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(units * sizeof(WCHAR));
    std::vector<WCHAR> text(bytes.size() / sizeof(WCHAR) + 1);
    if (bytes.size() >= sizeof(WCHAR)) std::memcpy(text.data(), bytes.data(), (text.size() - 1) * sizeof(WCHAR));
    v.bstrVal = in.ConsumeBool() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size() - 1));
  } else {
    const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(sizeof v.llVal);
    if (!bytes.empty()) std::memcpy(&v.llVal, bytes.data(), bytes.size());
  }
  return v;
}

// Frees what makeVariant or a conversion left; types we cannot clear own nothing.
void release(VARIANT& v) {
  if (v.vt == VT_BSTR) FUZZ_REQUIRE(VariantClear(&v) == S_OK);
}

bool isIntegerOrBool(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_I8: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_BOOL:
      return true;
    default:
      return false;
  }
}

bool sameValue(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return false;
  switch (a.vt) {
    case VT_I1: case VT_UI1: return a.bVal == b.bVal;
    case VT_I2: case VT_UI2: case VT_BOOL: return a.uiVal == b.uiVal;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: return a.ulVal == b.ulVal;
    default: return a.ullVal == b.ullVal;
  }
}

void copyAndClear(const VARIANT& src) {
  VARIANT copy;
  VariantInit(&copy);
  if (VariantCopy(&copy, &src) != S_OK) return;
  FUZZ_REQUIRE(copy.vt == src.vt);
  if (src.vt == VT_BSTR) {
    FUZZ_REQUIRE(SysStringLen(copy.bstrVal) == SysStringLen(src.bstrVal));
    FUZZ_REQUIRE((copy.bstrVal == nullptr) == (src.bstrVal == nullptr));
  }
  FUZZ_REQUIRE(VariantClear(&copy) == S_OK);
}

void convert(const VARIANT& src, VARTYPE vt, std::uint16_t flags) {
  VARIANT out;
  VariantInit(&out);
  if (VariantChangeType(&out, &src, flags, vt) == S_OK) {
    FUZZ_REQUIRE(out.vt == vt);
    // Integers and booleans survive a trip through text.
    if (vt == VT_BSTR && isIntegerOrBool(src.vt)) {
      VARIANT back;
      VariantInit(&back);
      FUZZ_REQUIRE(VariantChangeType(&back, &out, 0, src.vt) == S_OK);
      FUZZ_REQUIRE(sameValue(back, src) || (src.vt == VT_BOOL && (back.boolVal != 0) == (src.boolVal != 0)));
    }
    FUZZ_REQUIRE(VariantClear(&out) == S_OK);
  } else {
    FUZZ_REQUIRE(out.vt == VT_EMPTY);
  }

  // In place: the value changes type, or stays as it was.
  VARIANT inPlace;
  VariantInit(&inPlace);
  if (VariantCopy(&inPlace, &src) != S_OK) return;
  if (VariantChangeType(&inPlace, &inPlace, flags, vt) == S_OK) {
    FUZZ_REQUIRE(inPlace.vt == vt);
  } else {
    FUZZ_REQUIRE(inPlace.vt == src.vt);
  }
  FUZZ_REQUIRE(VariantClear(&inPlace) == S_OK);
}

bool isParamResult(tParamResult r) { return r >= eParamOk && r <= eParamLiveMode; }

void throughParameters(FuzzedDataProvider& in, const VARIANT& value) {
  FilterRef filter(in.ConsumeIntegral<std::uint8_t>());
  IParameterCtrl* params = filter.params();
  ParameterDesc desc;
  for (unsigned i = 0; params->getParameterDesc(i, &desc); ++i) {
    const std::u16string name(textField(desc.name));
    FUZZ_REQUIRE(isParamResult(params->setParameter(name.c_str(), &value)));
    // The caller's variant tells the type wanted; a read replaces it.
    VARIANT read = makeVariant(in);
    const VARTYPE asked = read.vt;
    const tParamResult result = params->getParameter(name.c_str(), &read);
    FUZZ_REQUIRE(isParamResult(result));
    if (result == eParamOk) FUZZ_REQUIRE(read.vt == VT_I4 || read.vt == VT_BOOL || read.vt == VT_ERROR);
    if (result != eParamOk) FUZZ_REQUIRE(read.vt == asked);
    release(read);
  }
  FUZZ_REQUIRE(params->setParameter(u"No such parameter", &value) == eParamNotFound);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  VARIANT value = makeVariant(in);
  copyAndClear(value);
  const VARTYPE target = pickType(in);
  const std::uint16_t flags = in.ConsumeIntegral<std::uint8_t>() & (VARIANT_NOVALUEPROP | VARIANT_ALPHABOOL);
  convert(value, target, flags);
  throughParameters(in, value);
  release(value);
  return 0;
}
