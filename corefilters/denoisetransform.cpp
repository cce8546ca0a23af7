#include "denoisetransform.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "denoise_kernels.h"

namespace orv_filter {

CDeNoiseTransform::CDeNoiseTransform() {
  addLongParam(std::u16string(u"DeNoise Level"), &CDeNoiseTransform::getLevel, &CDeNoiseTransform::setLevel);
}

tParamResult CDeNoiseTransform::getLevel(LONG* v) {
  *v = m_DeNoiseLevel;
  return eParamOk;
}

tParamResult CDeNoiseTransform::setLevel(LONG v) {
  if (m_bLive) return eParamLiveMode;
  if (v < 0 || v > kMaxLevel) return eParamInvalid;
  m_DeNoiseLevel = v;
  return eParamOk;
}

void CDeNoiseTransform::changeLevelLive(LONG level) {
  lock();
  m_DeNoiseLevel = std::clamp<LONG>(level, 0, kMaxLevel);
  m_FrameCount = 0;
  unlock();
}

void CDeNoiseTransform::getSupportedInputTypes(std::vector<FrameTypeInfo>& types) {
  for (auto format : {Pixlib::eRGB8, Pixlib::eY800, Pixlib::eRGB24, Pixlib::eRGB32})
    Pixlib::addFrameType(types, format, 0, 0);
}

bool CDeNoiseTransform::getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) {
  out.push_back(in);
  return true;
}

// The accumulator is reused when a start follows a start with the same type
// (notifyStop frees it). An allocation failure leaves no accumulator, so
// every frame is refused until the next successful start.
void CDeNoiseTransform::notifyStart(const FrameTypeInfo& in, const FrameTypeInfo&) {
  m_FrameCount = 0;
  if (!m_pData || in != m_DataFrameType) {
    m_pData.reset();
    m_DataFrameType = FrameTypeInfo();
    m_pData.reset(new (std::nothrow) std::int16_t[in.buffersize]);
    if (m_pData) m_DataFrameType = in;
  }
  m_bLive = true;
}

void CDeNoiseTransform::notifyStop() {
  m_bLive = false;
  m_pData.reset();
}

bool CDeNoiseTransform::transform(const IFrameBuffer& src, IFrameBuffer& dest) {
  BYTE* to = dest.getBufferPtr();
  const BYTE* from = src.getBufferPtr();
  if (!to || !from) return false;
  // Frames of another type than the one the accumulator was made for would
  // be read or written past their ends: refused, and not counted.
  if (!ORV_CHECK(m_pData != 0 && dest.getFrameType() == m_DataFrameType)) return false;
  if (!ORV_CHECK(src.getFrameType() == m_DataFrameType)) return false;

  const std::size_t n = m_DataFrameType.buffersize;
  std::int16_t* acc = m_pData.get();
  bool emitted = false;
  lock();
  const LONG level = m_DeNoiseLevel;
  const int k = ++m_FrameCount;
  if (k < (1 << level)) {
    if (k == 1)
      denoiseStartRun(acc, from, n);  // a new run: no stale sums to clear
    else
      denoiseAccumulate(acc, from, n);
  } else {
    if (k == 1)
      std::memcpy(to, from, n);  // level 0: a run of one frame
    else
      denoiseEmit(to, acc, from, n, static_cast<unsigned>(level));
    m_FrameCount = 0;
    emitted = true;
  }
  unlock();
  return emitted;
}

}  // namespace orv_filter
