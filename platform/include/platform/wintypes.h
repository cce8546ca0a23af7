// Basic fixed-width types, result codes and records shared by the module,
// the host library and hosts. Every type here has the same size and layout on
// every platform: Windows' LONG, ULONG, DWORD and HRESULT are 32-bit, and so
// are ours, whatever the width of the C++ `long`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Calling convention of every interface method, and symbol export.
#if defined(_WIN32)
#define ORV_CALL __stdcall
#define ORV_EXPORT __declspec(dllexport)
#else
#define ORV_CALL
#define ORV_EXPORT __attribute__((visibility("default")))
#endif

// Functions of the platform library itself.
#define ORV_PLATFORM_API ORV_EXPORT
// The platform's stand-ins for C functions of the operating system: C
// linkage and plain names, as the system's own have, so that hosts written in
// C, or calling through a foreign-function interface, find them.
#define ORV_SYSTEM_API extern "C" ORV_EXPORT

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;  // the 32-bit integer wherever an interface says `long`
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using HRESULT = std::int32_t;
using WCHAR = char16_t;     // UTF-16 code unit on every platform
using SCODE = std::int32_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// GUID in the Windows layout; compared byte for byte.
struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);
static_assert(offsetof(GUID, Data2) == 4 && offsetof(GUID, Data3) == 6 && offsetof(GUID, Data4) == 8);

using IID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
static_assert(sizeof(RECT) == 16);

struct SIZE {
  LONG cx;
  LONG cy;
};
static_assert(sizeof(SIZE) == 8);

// Opaque handles. A window handle names a dialog or control of the dialog
// backend; a module instance handle names a loaded module.
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
