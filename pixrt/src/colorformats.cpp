#include <cstdio>
#include <string>
#include <limits>

#include "frametype.h"
#include "pixrt/filtermodule.h"

namespace Pixlib {
namespace {

struct FormatEntry {
  tColorformatEnum format;
  const GUID* subtype;
  DWORD bitsPerPixel;
  bool bottomUp;  // RGB frames store their rows bottom-up
  const char* name;
};

constexpr FormatEntry kFormats[] = {
    {eRGB32, &MEDIASUBTYPE_RGB32, 32, true, "RGB32"},   {eRGB24, &MEDIASUBTYPE_RGB24, 24, true, "RGB24"},
    {eRGB565, &MEDIASUBTYPE_RGB565, 16, true, "RGB565"}, {eRGB555, &MEDIASUBTYPE_RGB555, 16, true, "RGB555"},
    {eRGB8, &MEDIASUBTYPE_RGB8, 8, true, "RGB8"},         {eUYVY, &MEDIASUBTYPE_UYVY, 16, false, "UYVY"},
    {eY800, &MEDIASUBTYPE_Y800, 8, false, "Y800"},        {eBY8, &MEDIASUBTYPE_BY8, 8, false, "BY8"},
};

const FormatEntry* findSubtype(const GUID& subtype) {
  for (const FormatEntry& e : kFormats)
    if (*e.subtype == subtype) return &e;
  return nullptr;
}

}  // namespace

GUID getSubtypeFromColorformat(tColorformatEnum format) {
  for (const FormatEntry& e : kFormats)
    if (e.format == format) return *e.subtype;
  return GUID_NULL;
}

bool isBottomUpFrameType(const GUID& subtype) {
  const FormatEntry* e = findSubtype(subtype);
  return e && e->bottomUp;
}

DWORD getBitsPerPixel(const GUID& subtype) {
  const FormatEntry* e = findSubtype(subtype);
  return e ? e->bitsPerPixel : 0;
}

// Rows are packed: |cx| is never negative in a valid type, so a negative
// width, an unknown subtype or a size beyond 32 bits gives 0.
// Every format has whole bytes per pixel; a row is below 2^34 bytes, and the
// row count is checked before it multiplies, so nothing wraps.
DWORD calcRequiredBuffersize(const FrameTypeInfo& type) {
  if (type.dim.cx < 0) return 0;
  const std::uint64_t rows = frameRows(type);
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(type.dim.cx) * (getBitsPerPixel(type.subtype) / 8);
  constexpr std::uint64_t kLimit = std::numeric_limits<DWORD>::max();
  if (rows != 0 && rowBytes > kLimit / rows) return 0;
  return static_cast<DWORD>(rowBytes * rows);
}

std::string subtypeName(const GUID& subtype) {
  if (const FormatEntry* e = findSubtype(subtype)) return e->name;
  if (subtype == GUID_NULL) return "any";
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", subtype.Data1, subtype.Data2,
                subtype.Data3, subtype.Data4[0], subtype.Data4[1], subtype.Data4[2], subtype.Data4[3],
                subtype.Data4[4], subtype.Data4[5], subtype.Data4[6], subtype.Data4[7]);
  return text;
}

}  // namespace Pixlib
