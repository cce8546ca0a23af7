// OLE Automation strings and variants, in their Windows byte layouts so that a
// host compiled against its own declarations can exchange them with us.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

// A BSTR points at UTF-16 text; the 32-bit byte length sits just before it and
// a NUL follows it. Allocated in task memory.
using BSTR = WCHAR*;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
};

// VariantChangeType flags.
constexpr std::uint16_t VARIANT_NOVALUEPROP = 0x01;
constexpr std::uint16_t VARIANT_ALPHABOOL = 0x02;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    std::int64_t llVal;
    std::uint64_t ullVal;
    std::int32_t lVal;
    std::uint32_t ulVal;
    std::int16_t iVal;
    std::uint16_t uiVal;
    std::int8_t cVal;
    std::uint8_t bVal;
    std::int32_t intVal;
    std::uint32_t uintVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } record;  // widest member: keeps the Windows size of 24 bytes on 64-bit
  };
};
static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, llVal) == 8);
static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*));
static_assert(sizeof(VARIANT_BOOL) == 2);

ORV_SYSTEM_API BSTR SysAllocString(const WCHAR* text);           // null in: null out
ORV_SYSTEM_API BSTR SysAllocStringLen(const WCHAR* text, UINT length);  // text may be null: zero-filled
ORV_SYSTEM_API UINT SysStringLen(BSTR text);                     // null: 0
ORV_SYSTEM_API void SysFreeString(BSTR text);                    // accepts null

ORV_SYSTEM_API void VariantInit(VARIANT* v);
ORV_SYSTEM_API HRESULT VariantClear(VARIANT* v);
ORV_SYSTEM_API HRESULT VariantCopy(VARIANT* dst, const VARIANT* src);
// Converts *src to `vt` into *dst (which may be src itself). On failure *dst
// is left as it was.
ORV_SYSTEM_API HRESULT VariantChangeType(VARIANT* dst, const VARIANT* src, std::uint16_t flags, VARTYPE vt);
