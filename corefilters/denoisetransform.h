// Temporal noise reduction: sums runs of 2^L successive frames byte by byte
// and emits the floor of their mean at the end of each run.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "framefilterimpl.h"
#include "platform/dialogs.h"

namespace orv_filter {

class CDeNoiseTransform : public FrameFilterImpl<CDeNoiseTransform> {
 public:
  // Levels 0 to 7 are exact with 16-bit accumulator entries.
  static constexpr LONG kMaxLevel = 7;

  CDeNoiseTransform();

  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"DeNoise"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override;
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override;
  void ORV_CALL notifyStart(const FrameTypeInfo& in, const FrameTypeInfo& out) override;
  void ORV_CALL notifyStop() override;
  // True when dest now holds an averaged frame; false inside a run.
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override;
  bool ORV_CALL hasDialog() override { return true; }
  // The property dialog (dialogs/denoisedialog.cpp).
  bool ORV_CALL callDialog(HWND parent) override;
  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  tParamResult getLevel(LONG* v);
  tParamResult setLevel(LONG v);

  // A level change while frames flow: level and frame count change together
  // under the lock, dropping the run in progress. Levels outside 0..7 are
  // clamped into it.
  void changeLevelLive(LONG level);

  std::atomic<bool> m_bLive{false};  // read by the setter without the lock
  LONG m_DeNoiseLevel = 2;           // guarded by the lock while live
  std::unique_ptr<std::int16_t[]> m_pData;  // one entry per frame byte
  FrameTypeInfo m_DataFrameType;            // the type m_pData was sized for
  int m_FrameCount = 0;                     // frames taken into the current run
};

}  // namespace orv_filter
