#include "rotflip.h"

#include <chrono>
#include <cstring>

#include "rotflip/rotflip_frames.h"

namespace orv_filter {

RotFlipTransform::RotFlipTransform() {
  addLongParam(std::string("Rotation Angle"), &RotFlipTransform::getRotationAngle, &RotFlipTransform::setRotationAngle);
  addBoolParam(std::string("Flip H"), &RotFlipTransform::getFlipH, &RotFlipTransform::setFlipH);
  addBoolParam(std::string("Flip V"), &RotFlipTransform::getFlipV, &RotFlipTransform::setFlipV);
}

tParamResult RotFlipTransform::getRotationAngle(LONG* v) {
  *v = m_RotationAngle;
  return eParamOk;
}

// While live, a turn that would swap the output's width and height is refused
// with eParamInvalid (not eParamLiveMode): callers rely on that answer.
tParamResult RotFlipTransform::setRotationAngle(LONG v) {
  if (v != 0 && v != 90 && v != 180 && v != 270) return eParamInvalid;
  if (m_bLive && !angleKeepsOutputShape(v)) return eParamInvalid;
  m_RotationAngle = v;
  return eParamOk;
}

tParamResult RotFlipTransform::getFlipH(bool* v) {
  *v = m_bFlipH;
  return eParamOk;
}
tParamResult RotFlipTransform::setFlipH(bool v) {
  m_bFlipH = v;
  return eParamOk;
}
tParamResult RotFlipTransform::getFlipV(bool* v) {
  *v = m_bFlipV;
  return eParamOk;
}
tParamResult RotFlipTransform::setFlipV(bool v) {
  m_bFlipV = v;
  return eParamOk;
}

void RotFlipTransform::getSupportedInputTypes(std::vector<FrameTypeInfo>& types) {
  for (auto format : {Pixlib::eRGB32, Pixlib::eRGB24, Pixlib::eRGB565, Pixlib::eRGB555, Pixlib::eRGB8, Pixlib::eY800})
    Pixlib::addFrameType(types, format, 0, 0);
}

// A quarter turn swaps the dimensions but keeps the sign on the height; the
// number of bytes never changes.
bool RotFlipTransform::getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) {
  FrameTypeInfo type = in;
  const LONG angle = m_RotationAngle;
  if (angle == 90 || angle == 270) {
    const std::int64_t sign = in.dim.cy < 0 ? -1 : 1;
    const std::int64_t width = sign * in.dim.cy, height = sign * in.dim.cx;
    if (!Pixlib::fitsDimension(width) || !Pixlib::fitsDimension(height)) return false;
    type.dim = {static_cast<LONG>(width), static_cast<LONG>(height)};
  }
  out.push_back(type);
  return true;
}

void RotFlipTransform::notifyStart(const FrameTypeInfo&, const FrameTypeInfo&) {
  m_rowStores.reset();
  m_bLive = true;
}
void RotFlipTransform::notifyStop() { m_bLive = false; }

bool RotFlipTransform::transform(const IFrameBuffer& src, IFrameBuffer& dest) {
  BYTE* to = dest.getBufferPtr();
  const BYTE* from = src.getBufferPtr();
  if (!to || !from) return false;

  const LONG angle = m_RotationAngle.load(std::memory_order_relaxed);
  const bool flipV = m_bFlipV.load(std::memory_order_relaxed);
  const bool flipH = m_bFlipH.load(std::memory_order_relaxed);
  const unsigned index = rotFlipCaseIndex(angle, flipV, flipH);

  // The pair must follow the output-type rule for this frame's angle, and the
  // destination must hold the whole frame: otherwise nothing is written.
  const FrameTypeInfo& sft = src.getFrameType();
  const FrameTypeInfo& dft = dest.getFrameType();
  if (sft.dim.cx < 0 || dft.dim.cx < 0) return false;
  const std::int64_t width = sft.dim.cx, height = Pixlib::frameRows(sft);
  const std::int64_t destWidth = dft.dim.cx, destHeight = Pixlib::frameRows(dft);
  if (!Pixlib::fitsDimension(height) || !Pixlib::fitsDimension(destHeight)) return false;
  const bool quarterTurn = angle == 90 || angle == 270;
  if (quarterTurn ? (destWidth != height || destHeight != width) : (destWidth != width || destHeight != height))
    return false;
  const unsigned bytesPerPixel = sft.getBitsPerPixel() / 8;
  const std::uint64_t frameBytes = std::uint64_t(width) * std::uint64_t(height) * bytesPerPixel;
  if (frameBytes > sft.buffersize || frameBytes > dft.buffersize || sft.buffersize > dft.buffersize) return false;

  if (index == 0) {
    std::memcpy(to, from, sft.buffersize);
    return true;
  }
  RotFlipFrames frames{from,
                       to,
                       static_cast<LONG>(width),
                       static_cast<LONG>(height),
                       static_cast<LONG>(destWidth),
                       static_cast<LONG>(destHeight),
                       bytesPerPixel,
                       Pixlib::isStoredTopDown(sft)};
  if (frameBytes < RowStoreChooser::kFromBytes || (quarterTurn && frameBytes >= RowStoreChooser::kTurnsUntilBytes))
    return rotFlipRawCaseTable[index](frames);

  // This stream's own timings choose the stores; turns lean firmly to
  // ordinary ones, for the sake of the filter that reads the turned frame.
  const RowStoreChooser::Lean lean = quarterTurn ? RowStoreChooser::Lean::firmly
                                                 : RowStoreChooser::leanOf(rowStoresBySize(angle, flipV, flipH, frames));
  frames.rowStores = m_rowStores.next();
  const auto start = std::chrono::steady_clock::now();
  const bool done = rotFlipRawCaseTable[index](frames);
  m_rowStores.record(frames.rowStores, lean, std::chrono::steady_clock::now() - start, frameBytes);
  return done;
}

}  // namespace orv_filter
