#include "platform/oleauto.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "platform/taskmem.h"

namespace {

// ---------------------------------------------------------------------------
// BSTR storage: [uint32 byte length][text][WCHAR 0], in task memory.

constexpr std::size_t kLengthPrefix = sizeof(std::uint32_t);

unsigned char* blockOf(BSTR text) { return reinterpret_cast<unsigned char*>(text) - kLengthPrefix; }

std::uint32_t byteLength(BSTR text) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, blockOf(text), kLengthPrefix);
  return bytes;
}

// Allocates a string of `bytes` bytes copied from `data` (zero-filled when
// data is null). The terminator follows the last byte even for odd lengths.
BSTR allocByteString(const void* data, std::uint32_t bytes) {
  if (bytes > std::numeric_limits<std::uint32_t>::max() - kLengthPrefix - sizeof(WCHAR)) return nullptr;
  auto* block = static_cast<unsigned char*>(CoTaskMemAlloc(kLengthPrefix + bytes + sizeof(WCHAR)));
  if (!block) return nullptr;
  std::memcpy(block, &bytes, kLengthPrefix);
  unsigned char* text = block + kLengthPrefix;
  if (data) {
    std::memcpy(text, data, bytes);
  } else {
    std::memset(text, 0, bytes);
  }
  text[bytes] = 0;
  text[bytes + 1] = 0;
  return reinterpret_cast<BSTR>(text);
}

BSTR allocAscii(std::string_view text) {
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
  if (out) {
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
  }
  return out;
}

// ---------------------------------------------------------------------------
// Variant types.

// The types this layer stores and converts.
bool isSupported(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR:
    case VT_ERROR:
      return true;
    default:
      return false;
  }
}

// Interface pointers and records: valid variant types that no fundamental
// type converts to or from.
constexpr VARTYPE kVtDispatch = 9;
constexpr VARTYPE kVtVariant = 12;
constexpr VARTYPE kVtUnknown = 13;
constexpr VARTYPE kVtRecord = 36;

bool isUnconvertibleSource(VARTYPE vt) { return vt == kVtDispatch || vt == kVtUnknown || vt == kVtRecord; }
bool isUnconvertibleTarget(VARTYPE vt) { return isUnconvertibleSource(vt) || vt == kVtVariant; }

bool isInteger(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_I8: case VT_UI8:
    case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

using Int128 = __int128;

struct IntRange {
  Int128 lo;
  Int128 hi;
};

template <typename T>
constexpr IntRange rangeOf() {
  return {std::numeric_limits<T>::min(), std::numeric_limits<T>::max()};
}

IntRange integerRange(VARTYPE vt) {
  switch (vt) {
    case VT_I1: return rangeOf<std::int8_t>();
    case VT_UI1: return rangeOf<std::uint8_t>();
    case VT_I2: return rangeOf<std::int16_t>();
    case VT_UI2: return rangeOf<std::uint16_t>();
    case VT_I4: case VT_INT: return rangeOf<std::int32_t>();
    case VT_UI4: case VT_UINT: return rangeOf<std::uint32_t>();
    case VT_I8: return rangeOf<std::int64_t>();
    default: return rangeOf<std::uint64_t>();
  }
}

// Stores an in-range integer into the member that belongs to vt.
void storeInteger(VARIANT& v, VARTYPE vt, Int128 value) {
  v.vt = vt;
  switch (vt) {
    case VT_I1: v.cVal = static_cast<std::int8_t>(value); break;
    case VT_UI1: v.bVal = static_cast<std::uint8_t>(value); break;
    case VT_I2: v.iVal = static_cast<std::int16_t>(value); break;
    case VT_UI2: v.uiVal = static_cast<std::uint16_t>(value); break;
    case VT_I4: v.lVal = static_cast<std::int32_t>(value); break;
    case VT_INT: v.intVal = static_cast<std::int32_t>(value); break;
    case VT_UI4: v.ulVal = static_cast<std::uint32_t>(value); break;
    case VT_UINT: v.uintVal = static_cast<std::uint32_t>(value); break;
    case VT_I8: v.llVal = static_cast<std::int64_t>(value); break;
    default: v.ullVal = static_cast<std::uint64_t>(value); break;
  }
}

// ---------------------------------------------------------------------------
// Numbers as read from a source variant.

struct Number {
  bool isReal;
  Int128 integer;  // when !isReal
  double real;     // when isReal
};

Number integerNumber(Int128 value) { return {false, value, 0.0}; }
Number realNumber(double value) { return {true, 0, value}; }

// The numeric value of a non-text source. A boolean counts as the 16-bit
// integer it is stored as (true = -1).
Number numberOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return integerNumber(v.cVal);
    case VT_UI1: return integerNumber(v.bVal);
    case VT_I2: return integerNumber(v.iVal);
    case VT_UI2: return integerNumber(v.uiVal);
    case VT_I4: return integerNumber(v.lVal);
    case VT_INT: return integerNumber(v.intVal);
    case VT_UI4: return integerNumber(v.ulVal);
    case VT_UINT: return integerNumber(v.uintVal);
    case VT_I8: return integerNumber(v.llVal);
    case VT_UI8: return integerNumber(v.ullVal);
    case VT_BOOL: return integerNumber(v.boolVal);
    case VT_R4: return realNumber(v.fltVal);
    case VT_R8: return realNumber(v.dblVal);
    default: return integerNumber(0);  // VT_EMPTY
  }
}

// Rounds to the nearest integer, halves to the even neighbour.
double roundHalfEven(double x) {
  double r = std::floor(x);
  const double frac = x - r;  // exact
  if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  return r;
}

HRESULT realToInteger(double x, Int128& out) {
  const double r = roundHalfEven(x);
  // Also rejects NaN and the infinities; the bound is far outside every target range.
  if (!(r >= -1e30 && r <= 1e30)) return DISP_E_OVERFLOW;
  out = static_cast<Int128>(r);
  return S_OK;
}

HRESULT narrowToFloat(double x, float& out) {
  const float f = static_cast<float>(x);
  if (std::isinf(f) && !std::isnan(x)) return DISP_E_OVERFLOW;
  out = f;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Numbers written as text: [blanks][sign]digits[.digits][(e|E)[sign]digits][blanks],
// with at least one mantissa digit.

struct Decimal {
  bool negative = false;
  std::string digits;     // significant digits, no leading or trailing zeros; empty for zero
  std::int64_t exponent;  // value = digits * 10^exponent
};

bool isBlank(WCHAR c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }
bool isDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

// Text of a string variant up to its first NUL (a null BSTR is empty text).
std::u16string_view textOf(BSTR text) {
  if (!text) return {};
  const std::size_t len = SysStringLen(text);
  std::size_t n = 0;
  while (n < len && text[n] != 0) ++n;
  return {text, n};
}

std::optional<Decimal> parseDecimal(std::u16string_view s) {
  constexpr std::int64_t kExponentLimit = 100000000;  // beyond every range; keeps sums small
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n && isBlank(s[i])) ++i;
  Decimal d;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) d.negative = s[i++] == u'-';
  std::string mantissa;
  std::int64_t fractionDigits = 0;
  while (i < n && isDigit(s[i])) mantissa += static_cast<char>(s[i++]);
  if (i < n && s[i] == u'.') {
    ++i;
    while (i < n && isDigit(s[i])) {
      mantissa += static_cast<char>(s[i++]);
      ++fractionDigits;
    }
  }
  if (mantissa.empty()) return std::nullopt;
  std::int64_t exponent = 0;
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) negativeExponent = s[i++] == u'-';
    if (i >= n || !isDigit(s[i])) return std::nullopt;
    while (i < n && isDigit(s[i])) {
      if (exponent < kExponentLimit) exponent = exponent * 10 + (s[i] - u'0');
      ++i;
    }
    if (negativeExponent) exponent = -exponent;
  }
  while (i < n && isBlank(s[i])) ++i;
  if (i != n) return std::nullopt;

  const std::size_t first = mantissa.find_first_not_of('0');
  if (first == std::string::npos) {
    d.exponent = 0;
    return d;  // zero
  }
  const std::size_t last = mantissa.find_last_not_of('0');
  d.digits = mantissa.substr(first, last - first + 1);
  d.exponent = exponent - fractionDigits + static_cast<std::int64_t>(mantissa.size() - 1 - last);
  return d;
}

// The decimal rounded to an integer, halves to even, exactly.
HRESULT decimalToInteger(const Decimal& d, Int128& out) {
  out = 0;
  if (d.digits.empty()) return S_OK;
  const std::int64_t count = static_cast<std::int64_t>(d.digits.size());
  const std::int64_t integerDigits = count + d.exponent;
  if (integerDigits > 20) return DISP_E_OVERFLOW;  // at least 10^20: beyond every 64-bit range
  Int128 magnitude = 0;
  std::string_view fraction;
  if (integerDigits <= 0) {
    fraction = integerDigits == 0 ? std::string_view(d.digits) : std::string_view();  // below 0.1: rounds to 0
  } else {
    for (std::int64_t k = 0; k < integerDigits; ++k) {
      const char digit = k < count ? d.digits[static_cast<std::size_t>(k)] : '0';
      magnitude = magnitude * 10 + (digit - '0');
    }
    if (integerDigits < count) fraction = std::string_view(d.digits).substr(static_cast<std::size_t>(integerDigits));
  }
  if (!fraction.empty()) {
    // No trailing zeros: a leading 5 followed by more digits is above one half.
    const bool aboveHalf = fraction[0] > '5' || (fraction[0] == '5' && fraction.size() > 1);
    const bool half = fraction[0] == '5' && fraction.size() == 1;
    if (aboveHalf || (half && (magnitude & 1) != 0)) ++magnitude;
  }
  out = d.negative ? -magnitude : magnitude;
  return S_OK;
}

template <typename Real>
HRESULT decimalToReal(const Decimal& d, Real& out) {
  if (d.digits.empty()) {
    out = d.negative ? -Real(0) : Real(0);
    return S_OK;
  }
  const std::string text = (d.negative ? "-" : "") + d.digits + "e" + std::to_string(d.exponent);
  Real value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too large, or so small that it vanishes.
    if (static_cast<std::int64_t>(d.digits.size()) + d.exponent > 0) return DISP_E_OVERFLOW;
    out = d.negative ? -Real(0) : Real(0);
    return S_OK;
  }
  if (ec != std::errc() || end != text.data() + text.size()) return DISP_E_TYPEMISMATCH;
  out = value;
  return S_OK;
}

bool equalsIgnoringCase(std::u16string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    WCHAR c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<WCHAR>(c - u'A' + u'a');
    if (c != static_cast<WCHAR>(word[i])) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Conversions into a fresh variant `out` (which owns any string it receives).

HRESULT toText(const VARIANT& src, std::uint16_t flags, VARIANT& out) {
  char buffer[64];
  char* end = buffer;
  switch (src.vt) {
    case VT_EMPTY:
      break;
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) {
        const std::string_view word = src.boolVal != VARIANT_FALSE ? "True" : "False";
        end = std::copy(word.begin(), word.end(), buffer);
      } else {
        end = std::to_chars(buffer, buffer + sizeof buffer, src.boolVal).ptr;
      }
      break;
    case VT_R4:
      end = std::to_chars(buffer, buffer + sizeof buffer, src.fltVal).ptr;
      break;
    case VT_R8:
      end = std::to_chars(buffer, buffer + sizeof buffer, src.dblVal).ptr;
      break;
    case VT_UI8:
      end = std::to_chars(buffer, buffer + sizeof buffer, src.ullVal).ptr;
      break;
    default: {
      // Every other integer fits in 64 signed bits.
      end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(numberOf(src).integer)).ptr;
      break;
    }
  }
  if (src.vt == VT_R4 || src.vt == VT_R8) std::replace(buffer, end, 'e', 'E');  // 1E+20, as Automation writes it
  BSTR text = allocAscii(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  if (!text) return E_OUTOFMEMORY;
  out.vt = VT_BSTR;
  out.bstrVal = text;
  return S_OK;
}

HRESULT toBool(const VARIANT& src, VARIANT& out) {
  bool value = false;
  if (src.vt == VT_BSTR) {
    const std::u16string_view text = textOf(src.bstrVal);
    if (equalsIgnoringCase(text, "true")) {
      value = true;
    } else if (equalsIgnoringCase(text, "false")) {
      value = false;
    } else {
      const std::optional<Decimal> d = parseDecimal(text);
      if (!d) return DISP_E_TYPEMISMATCH;
      value = !d->digits.empty();
    }
  } else {
    const Number n = numberOf(src);
    value = n.isReal ? n.real != 0.0 : n.integer != 0;  // NaN counts as non-zero
  }
  out.vt = VT_BOOL;
  out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT toInteger(const VARIANT& src, VARTYPE vt, VARIANT& out) {
  Int128 value = 0;
  HRESULT hr = S_OK;
  if (src.vt == VT_BSTR) {
    const std::optional<Decimal> d = parseDecimal(textOf(src.bstrVal));
    if (!d) return DISP_E_TYPEMISMATCH;
    hr = decimalToInteger(*d, value);
  } else {
    const Number n = numberOf(src);
    if (n.isReal) {
      hr = realToInteger(n.real, value);
    } else {
      value = n.integer;
    }
  }
  if (FAILED(hr)) return hr;
  const IntRange range = integerRange(vt);
  if (value < range.lo || value > range.hi) return DISP_E_OVERFLOW;
  storeInteger(out, vt, value);
  return S_OK;
}

HRESULT toReal(const VARIANT& src, VARTYPE vt, VARIANT& out) {
  if (src.vt == VT_BSTR) {
    const std::optional<Decimal> d = parseDecimal(textOf(src.bstrVal));
    if (!d) return DISP_E_TYPEMISMATCH;
    const HRESULT hr = vt == VT_R4 ? decimalToReal(*d, out.fltVal) : decimalToReal(*d, out.dblVal);
    if (SUCCEEDED(hr)) out.vt = vt;
    return hr;
  }
  const Number n = numberOf(src);
  if (vt == VT_R8) {
    out.dblVal = n.isReal ? n.real : static_cast<double>(n.integer);
  } else if (n.isReal) {
    const HRESULT hr = narrowToFloat(n.real, out.fltVal);
    if (FAILED(hr)) return hr;
  } else {
    out.fltVal = static_cast<float>(n.integer);
  }
  out.vt = vt;
  return S_OK;
}

HRESULT convert(const VARIANT& src, VARTYPE vt, std::uint16_t flags, VARIANT& out) {
  if (!isSupported(src.vt) && !isUnconvertibleSource(src.vt)) return DISP_E_BADVARTYPE;
  if (!isSupported(vt) && !isUnconvertibleTarget(vt)) return DISP_E_BADVARTYPE;
  if (!isSupported(src.vt) || !isSupported(vt)) return DISP_E_TYPEMISMATCH;
  if (src.vt == vt) return VariantCopy(&out, &src);

  // Null and error codes stand apart from the numbers.
  if (src.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (src.vt == VT_ERROR || vt == VT_ERROR) {
    if (src.vt == VT_ERROR && vt == VT_I4) {
      out.vt = VT_I4;
      out.lVal = src.scode;
      return S_OK;
    }
    if (src.vt == VT_I4 && vt == VT_ERROR) {
      out.vt = VT_ERROR;
      out.scode = src.lVal;
      return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
  }

  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      out.vt = vt;
      return S_OK;
    case VT_BSTR:
      return toText(src, flags, out);
    case VT_BOOL:
      return toBool(src, out);
    case VT_R4:
    case VT_R8:
      return toReal(src, vt, out);
    default:
      return isInteger(vt) ? toInteger(src, vt, out) : DISP_E_BADVARTYPE;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

BSTR SysAllocString(const WCHAR* text) {
  if (!text) return nullptr;
  std::size_t len = 0;
  while (text[len] != 0) ++len;
  if (len > std::numeric_limits<UINT>::max() / sizeof(WCHAR)) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(len));
}

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
  if (length > std::numeric_limits<std::uint32_t>::max() / sizeof(WCHAR)) return nullptr;
  return allocByteString(text, static_cast<std::uint32_t>(length * sizeof(WCHAR)));
}

UINT SysStringLen(BSTR text) { return text ? byteLength(text) / sizeof(WCHAR) : 0; }

void SysFreeString(BSTR text) {
  if (text) CoTaskMemFree(blockOf(text));
}

void VariantInit(VARIANT* v) {
  if (v) v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!isSupported(v->vt)) return DISP_E_BADVARTYPE;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  v->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dst, const VARIANT* src) {
  if (!dst || !src) return E_INVALIDARG;
  if (!isSupported(src->vt)) return DISP_E_BADVARTYPE;
  if (dst == src) return S_OK;
  const HRESULT hr = VariantClear(dst);
  if (FAILED(hr)) return hr;
  BSTR text = nullptr;
  if (src->vt == VT_BSTR && src->bstrVal) {
    text = allocByteString(src->bstrVal, byteLength(src->bstrVal));
    if (!text) return E_OUTOFMEMORY;
  }
  std::memcpy(static_cast<void*>(dst), src, sizeof(VARIANT));
  if (src->vt == VT_BSTR) dst->bstrVal = text;
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* dst, const VARIANT* src, std::uint16_t flags, VARTYPE vt) {
  if (!dst || !src) return E_INVALIDARG;
  VARIANT result{};
  VariantInit(&result);
  HRESULT hr = convert(*src, vt, flags, result);
  if (FAILED(hr)) return hr;
  // The result owns its own copy of any text, so clearing the source first is safe in place.
  hr = VariantClear(dst);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dst = result;
  return S_OK;
}
