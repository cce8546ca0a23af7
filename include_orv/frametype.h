// Frame types and frame buffers, and the host library's functions that
// describe them. A host library provides the functions declared in namespace
// Pixlib; the module only calls them.
#pragma once

#include <string>
#include <vector>

#include "platform/wintypes.h"

class IParameterCtrl;

namespace Pixlib {

// The host's colour formats. Only eY800 and eBY8 have a fixed role in the
// module; the other values reach the module only through the functions below.
enum tColorformatEnum : std::int32_t {
  eRGB32 = 1,
  eRGB24 = 2,
  eRGB565 = 3,
  eRGB555 = 4,
  eRGB8 = 5,
  eUYVY = 6,
  eY800 = 7,
  eBY8 = 10,
};

ORV_EXPORT GUID getSubtypeFromColorformat(tColorformatEnum format);
ORV_EXPORT bool isBottomUpFrameType(const GUID& subtype);
ORV_EXPORT DWORD getBitsPerPixel(const GUID& subtype);

struct FrameTypeInfo;
ORV_EXPORT DWORD calcRequiredBuffersize(const FrameTypeInfo& type);

// The parameter text of a filter: made from and applied through the filter's
// own parameter interface. UTF-8.
ORV_EXPORT std::string saveFrameFilterData(const IParameterCtrl* pCtrl);
ORV_EXPORT bool restoreFrameFilterData(IParameterCtrl* pCtrl, const std::string& data);

// A frame type: subtype, dimensions and bytes per frame. GUID_NULL, 0 x 0 and
// a buffer size of 0 each stand for "any" in type matching. A negative height
// reverses the storage direction the subtype gives.
struct FrameTypeInfo {
  GUID subtype;
  SIZE dim;
  DWORD buffersize;

  FrameTypeInfo() : subtype(GUID_NULL), dim{0, 0}, buffersize(0) {}
  FrameTypeInfo(const GUID& st, LONG cx, LONG cy, DWORD size) : subtype(st), dim{cx, cy}, buffersize(size) {}
  FrameTypeInfo(tColorformatEnum format, LONG cx, LONG cy, DWORD size)
      : subtype(getSubtypeFromColorformat(format)), dim{cx, cy}, buffersize(size) {}

  bool operator==(const FrameTypeInfo& o) const {
    return subtype == o.subtype && dim.cx == o.dim.cx && dim.cy == o.dim.cy && buffersize == o.buffersize;
  }
  bool operator!=(const FrameTypeInfo& o) const { return !(*this == o); }

  bool isBottomUp() const { return isBottomUpFrameType(subtype); }
  DWORD getBitsPerPixel() const { return Pixlib::getBitsPerPixel(subtype); }
};
static_assert(sizeof(FrameTypeInfo) == 28);
static_assert(offsetof(FrameTypeInfo, subtype) == 0);
static_assert(offsetof(FrameTypeInfo, dim) == 16);
static_assert(offsetof(FrameTypeInfo, buffersize) == 24);

// Memory row 0 is the displayed top row exactly when the subtype's own
// direction is reversed by a negative height, or neither applies.
inline bool isStoredTopDown(const FrameTypeInfo& type) { return type.isBottomUp() == (type.dim.cy < 0); }

// The number of rows, whatever the storage direction. 64-bit, because a
// height of -2^31 has no positive 32-bit count.
inline std::int64_t frameRows(const FrameTypeInfo& type) {
  return type.dim.cy < 0 ? -std::int64_t(type.dim.cy) : std::int64_t(type.dim.cy);
}

// Whether a 64-bit count fits a frame dimension.
inline bool fitsDimension(std::int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// The matching rule of negotiation: `a` is the candidate, `b` the listed type.
// Not symmetric in the buffer size.
inline bool frameTypeMatches(const FrameTypeInfo& a, const FrameTypeInfo& b) {
  if (a.subtype == GUID_NULL || b.subtype == GUID_NULL) return true;
  if (a.subtype != b.subtype) return false;
  if (a.buffersize != 0 && b.buffersize != 0 && a.buffersize > b.buffersize) return false;
  const bool aAny = a.dim.cx == 0 && a.dim.cy == 0;
  const bool bAny = b.dim.cx == 0 && b.dim.cy == 0;
  return aAny || bAny || (a.dim.cx == b.dim.cx && a.dim.cy == b.dim.cy);
}

inline void addFrameType(std::vector<FrameTypeInfo>& list, tColorformatEnum format, LONG cx, LONG cy) {
  list.push_back(FrameTypeInfo(format, cx, cy, 0));
}

// A source or destination frame handed to a filter's transform.
class IFrameBuffer {
 public:
  virtual const FrameTypeInfo& ORV_CALL getFrameType() const = 0;
  virtual BYTE* ORV_CALL getBufferPtr() const = 0;  // null when the buffer has no memory
};

}  // namespace Pixlib

// Public media subtypes the module compares with or produces.
inline constexpr GUID MEDIASUBTYPE_RGB8 = {0xE436EB7A, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB565 = {0xE436EB7B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB555 = {0xE436EB7C, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB24 = {0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32 = {0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// FOURCC subtypes: {FOURCC-0000-0010-8000-00AA00389B71}.
inline constexpr GUID MEDIASUBTYPE_UYVY = {0x59565955, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_Y800 = {0x30303859, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_BY8 = {0x20385942, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
