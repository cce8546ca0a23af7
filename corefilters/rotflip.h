// Turns frames by 0, 90, 180 or 270 degrees clockwise, then mirrors the turned
// frame left-to-right and/or top-to-bottom.
#pragma once

#include <atomic>

#include "framefilterimpl.h"
#include "platform/dialogs.h"
#include "rowstorechooser.h"

namespace orv_filter {

class RotFlipTransform : public FrameFilterImpl<RotFlipTransform> {
 public:
  RotFlipTransform();

  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"Rotate Flip"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override;
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override;
  void ORV_CALL notifyStart(const FrameTypeInfo& in, const FrameTypeInfo& out) override;
  void ORV_CALL notifyStop() override;
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override;
  bool ORV_CALL hasDialog() override { return true; }
  // The property dialog (dialogs/rotflipdialog.cpp).
  bool ORV_CALL callDialog(HWND parent) override;
  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  tParamResult getRotationAngle(LONG* v);
  tParamResult setRotationAngle(LONG v);
  tParamResult getFlipH(bool* v);
  tParamResult setFlipH(bool v);
  tParamResult getFlipV(bool* v);
  tParamResult setFlipV(bool v);

  // Whether a live stream may take `angle`: only turns that keep the output's
  // width and height are.
  bool angleKeepsOutputShape(LONG angle) const { return m_RotationAngle % 180 == angle % 180; }

  // Single words read once per frame without the lock, so a change takes
  // effect from one frame to the next; atomic so that reading while another
  // thread writes is well defined.
  std::atomic<bool> m_bLive{false};
  std::atomic<LONG> m_RotationAngle{0};  // 0, 90, 180 or 270
  std::atomic<bool> m_bFlipH{false};
  std::atomic<bool> m_bFlipV{false};

 private:
  RowStoreChooser m_rowStores;
};

}  // namespace orv_filter
