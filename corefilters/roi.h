// Crops frames to a region of interest whose left and right edges lie on
// multiples of 8 pixels. The region is kept in displayed coordinates (row 0
// at the top) and clipped to each frame; while the stream runs, the size of
// the clipped region is fixed.
#pragma once

#include <atomic>

#include "framefilterimpl.h"
#include "platform/dialogs.h"

namespace orv_filter {

class CROITransform : public FrameFilterImpl<CROITransform> {
 public:
  CROITransform();

  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"ROI"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override;
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override;
  void ORV_CALL notifyStart(const FrameTypeInfo& in, const FrameTypeInfo& out) override;
  void ORV_CALL notifyStop() override;
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override;
  bool ORV_CALL hasDialog() override { return true; }
  // The property dialog (dialogs/roidialog.cpp).
  bool ORV_CALL callDialog(HWND parent) override;
  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The common setter behind the four parameters; arguments are 64-bit so
  // that no combination of parameter values can overflow on the way in.
  tParamResult setRoi(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

  tParamResult getLeft(LONG* v);
  tParamResult getTop(LONG* v);
  tParamResult getWidth(LONG* v);
  tParamResult getHeight(LONG* v);
  tParamResult setLeft(LONG v);
  tParamResult setTop(LONG v);
  tParamResult setWidth(LONG v);
  tParamResult setHeight(LONG v);

  // Guarded by the filter's lock when frames flow.
  RECT m_Roi{0, 0, 2000, 2000};
  std::atomic<bool> m_bLive{false};  // read by the setters without the lock
  SIZE m_InputDim{0, 0};   // recorded by notifyStart; read only while live
  SIZE m_OutputDim{0, 0};
};

}  // namespace orv_filter
