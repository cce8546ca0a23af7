#include "roi.h"

#include <algorithm>
#include <limits>

#include "platform/rect.h"
#include "row_copy.h"

namespace orv_filter {
namespace {

// Moves a value onto a multiple of 8 by adding its remainder until none is
// left (the remainder keeping the sign of the value). Stored regions rely on
// this exact walk: 3 -> 16, 7 -> 24, -3 -> -16.
std::int64_t roundEdge(std::int64_t v) {
  while (v % 8 != 0) v += v % 8;
  return v;
}

bool fitsLong(std::int64_t v) {
  return v >= std::numeric_limits<LONG>::min() && v <= std::numeric_limits<LONG>::max();
}

LONG saturatedLong(std::int64_t v) {
  return static_cast<LONG>(std::clamp<std::int64_t>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

RECT clipTo(const RECT& region, LONG width, LONG height) {
  const RECT frame{0, 0, width, height};
  RECT clipped;
  IntersectRect(&clipped, &region, &frame);
  return clipped;
}

}  // namespace

CROITransform::CROITransform() {
  addLongParam(std::u16string(u"Left"), &CROITransform::getLeft, &CROITransform::setLeft);
  addLongParam(std::u16string(u"Top"), &CROITransform::getTop, &CROITransform::setTop);
  addLongParam(std::u16string(u"Width"), &CROITransform::getWidth, &CROITransform::setWidth);
  addLongParam(std::u16string(u"Height"), &CROITransform::getHeight, &CROITransform::setHeight);
}

tParamResult CROITransform::setRoi(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
  // Negative left or top edges would leave a region whose trimmed size no
  // longer matches the negotiated output; the frame starts at 0 anyway.
  if (l < 0) l = 0;
  if (t < 0) t = 0;
  l = roundEdge(l);
  r = roundEdge(r);
  if (!fitsLong(l) || !fitsLong(t) || !fitsLong(r) || !fitsLong(b)) return eParamInvalid;
  const RECT candidate{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)};
  if (m_bLive) {
    const RECT clipped = clipTo(candidate, m_InputDim.cx, m_InputDim.cy);
    if (clipped.right - clipped.left != m_OutputDim.cx || clipped.bottom - clipped.top != m_OutputDim.cy)
      return eParamLiveMode;
  }
  if (l >= r || t >= b) return eParamInvalid;
  m_Roi = candidate;
  return eParamOk;
}

tParamResult CROITransform::getLeft(LONG* v) {
  *v = m_Roi.left;
  return eParamOk;
}
tParamResult CROITransform::getTop(LONG* v) {
  *v = m_Roi.top;
  return eParamOk;
}
tParamResult CROITransform::getWidth(LONG* v) {
  *v = m_Roi.right - m_Roi.left;
  return eParamOk;
}
tParamResult CROITransform::getHeight(LONG* v) {
  *v = m_Roi.bottom - m_Roi.top;
  return eParamOk;
}

// Each setter works from the current region, computed before setRoi runs.
tParamResult CROITransform::setLeft(LONG v) {
  const RECT& r = m_Roi;
  return setRoi(v, r.top, std::int64_t(r.right) - r.left + v, r.bottom);
}
tParamResult CROITransform::setTop(LONG v) {
  const RECT& r = m_Roi;
  return setRoi(r.left, v, r.right, std::int64_t(r.bottom) - r.top + v);
}
tParamResult CROITransform::setWidth(LONG v) {
  const RECT& r = m_Roi;
  return setRoi(r.left, r.top, std::int64_t(r.left) + v, r.bottom);
}
tParamResult CROITransform::setHeight(LONG v) {
  const RECT& r = m_Roi;
  return setRoi(r.left, r.top, r.right, std::int64_t(r.top) + v);
}

void CROITransform::getSupportedInputTypes(std::vector<FrameTypeInfo>& types) {
  for (auto format : {Pixlib::eUYVY, Pixlib::eRGB32, Pixlib::eRGB24, Pixlib::eY800, Pixlib::eRGB8, Pixlib::eRGB565,
                      Pixlib::eRGB555})
    Pixlib::addFrameType(types, format, 0, 0);
}

bool CROITransform::getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) {
  if (in.dim.cx == 0 && in.dim.cy == 0) {
    out.push_back(in);
    return true;
  }
  const RECT clipped = clipTo(m_Roi, in.dim.cx, in.dim.cy);
  if (clipped.right <= clipped.left || clipped.bottom <= clipped.top) return false;
  FrameTypeInfo type = in;
  type.dim = {clipped.right - clipped.left, clipped.bottom - clipped.top};
  type.buffersize = Pixlib::calcRequiredBuffersize(type);
  out.push_back(type);
  return true;
}

void CROITransform::notifyStart(const FrameTypeInfo& in, const FrameTypeInfo& out) {
  m_InputDim = in.dim;
  m_OutputDim = out.dim;
  // An open input type leaves the output size unbounded by the frame, so the
  // edges saturate rather than overflow.
  m_Roi.right = saturatedLong(std::int64_t(m_Roi.left) + out.dim.cx);
  m_Roi.bottom = saturatedLong(std::int64_t(m_Roi.top) + out.dim.cy);
  m_bLive = true;
}

void CROITransform::notifyStop() { m_bLive = false; }

bool CROITransform::transform(const IFrameBuffer& src, IFrameBuffer& dest) {
  BYTE* to = dest.getBufferPtr();
  const BYTE* from = src.getBufferPtr();
  if (!to || !from) return false;

  lock();
  const RECT region = m_Roi;
  unlock();

  const FrameTypeInfo& sft = src.getFrameType();
  const FrameTypeInfo& dft = dest.getFrameType();
  const RECT roi = clipTo(region, sft.dim.cx, sft.dim.cy);
  if (!ORV_CHECK(roi.right - roi.left == dft.dim.cx)) return false;
  if (!ORV_CHECK(roi.bottom - roi.top == dft.dim.cy)) return false;
  if (roi.right <= roi.left || roi.bottom <= roi.top) return false;

  const std::size_t bytesPerPixel = sft.getBitsPerPixel() / 8;
  if (bytesPerPixel == 0) return false;
  const std::size_t srcPitch = std::size_t(sft.dim.cx) * bytesPerPixel;
  const std::size_t destPitch = std::size_t(dft.dim.cx) * bytesPerPixel;
  const std::size_t rows = std::size_t(roi.bottom - roi.top);
  if (std::uint64_t(srcPitch) * std::uint64_t(sft.dim.cy) > sft.buffersize) return false;
  if (std::uint64_t(destPitch) * rows > dft.buffersize) return false;

  // Memory row 0 of a bottom-up subtype holds the bottom displayed row.
  const std::size_t firstRow = sft.isBottomUp() ? std::size_t(sft.dim.cy - roi.bottom) : std::size_t(roi.top);
  const BYTE* s = from + firstRow * srcPitch + std::size_t(roi.left) * bytesPerPixel;
  copyRows(s, srcPitch, to, destPitch, destPitch, rows);
  return true;
}

}  // namespace orv_filter
