#include "debayer.h"

#include "platform/display.h"
#include "transform_method.h"

namespace orv_filter {

CDeBayerFilter::CDeBayerFilter() {
  addLongParam(std::u16string(u"Start Pattern"), &CDeBayerFilter::getStartPattern, &CDeBayerFilter::setStartPattern);
  addLongParam(std::u16string(u"Mode"), &CDeBayerFilter::getMode, &CDeBayerFilter::setMode);
}

tParamResult CDeBayerFilter::getStartPattern(LONG* v) {
  *v = m_StartPattern;
  return eParamOk;
}
tParamResult CDeBayerFilter::setStartPattern(LONG v) {
  if (v < eRG || v > eBG) return eParamInvalid;
  m_StartPattern = v;
  return eParamOk;
}
tParamResult CDeBayerFilter::getMode(LONG* v) {
  *v = m_Mode;
  return eParamOk;
}
tParamResult CDeBayerFilter::setMode(LONG v) {
  if (v < eNearestColor || v > eEdgeSensing) return eParamInvalid;
  m_Mode = v;
  return eParamOk;
}

namespace {
// A frame the kernels can demosaic, or a type that leaves the size open.
bool demosaicable(const FrameTypeInfo& type) {
  if (type.dim.cx == 0 && type.dim.cy == 0) return true;
  return type.dim.cx >= LONG(kDeBayerMinWidth) && Pixlib::frameRows(type) >= kDeBayerMinHeight;
}
}  // namespace

// All three carry one 8-bit sample per pixel; each is treated as a mosaic.
void CDeBayerFilter::getSupportedInputTypes(std::vector<FrameTypeInfo>& types) {
  for (auto format : {Pixlib::eRGB8, Pixlib::eY800, Pixlib::eBY8}) Pixlib::addFrameType(types, format, 0, 0);
}

// Frames too small to demosaic are refused here rather than passed on
// unconverted.
bool CDeBayerFilter::checkInputType(const FrameTypeInfo& type) {
  return demosaicable(type) && FrameFilterImpl::checkInputType(type);
}

// The format that matches the screen comes first.
bool CDeBayerFilter::getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) {
  if (!Pixlib::fitsDimension(Pixlib::frameRows(in)) || !demosaicable(in)) return false;
  const LONG height = static_cast<LONG>(Pixlib::frameRows(in));
  const FrameTypeInfo rgb24(MEDIASUBTYPE_RGB24, in.dim.cx, height, 0);
  const FrameTypeInfo rgb32(MEDIASUBTYPE_RGB32, in.dim.cx, height, 0);
  if (orv::screenBitsPerPixel() == 24) {
    out.push_back(rgb24);
    out.push_back(rgb32);
  } else {
    out.push_back(rgb32);
    out.push_back(rgb24);
  }
  return true;
}

bool CDeBayerFilter::transform(const IFrameBuffer& src, IFrameBuffer& dest) {
  BYTE* to = dest.getBufferPtr();
  const BYTE* from = src.getBufferPtr();
  if (!to || !from) return false;

  lock();
  const DeBayerParams params = makeDeBayerParams(m_StartPattern, m_Mode);
  unlock();

  const FrameTypeInfo sft = src.getFrameType();
  const FrameTypeInfo& dft = dest.getFrameType();
  const bool toRGB24 = dft.subtype == MEDIASUBTYPE_RGB24;
  // The signed height handed on is negative exactly when the source is
  // stored bottom-up; its absolute value is the number of rows.
  const LONG width = sft.dim.cx;
  const std::int64_t rows = Pixlib::frameRows(sft);
  if (width < LONG(kDeBayerMinWidth) || rows < kDeBayerMinHeight || !Pixlib::fitsDimension(rows)) return false;
  const LONG signedHeight = static_cast<LONG>(Pixlib::isStoredTopDown(sft) ? rows : -rows);

  // Both buffers must hold the whole frame before the kernels may touch them.
  const std::uint64_t samples = std::uint64_t(width) * std::uint64_t(rows);
  if (samples > sft.buffersize || samples * (toRGB24 ? 3 : 4) > dft.buffersize) return false;

  if (toRGB24)
    deBayerToRGB24(from, to, static_cast<UINT>(width), signedHeight, params);
  else
    deBayerToRGB32(from, to, static_cast<UINT>(width), signedHeight, params);
  return true;
}

}  // namespace orv_filter
