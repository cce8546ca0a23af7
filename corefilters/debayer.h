// Turns raw 8-bit Bayer frames into 24- or 32-bit RGB frames of the same size.
#pragma once

#include "framefilterimpl.h"
#include "platform/dialogs.h"

namespace orv_filter {

class CDeBayerFilter : public FrameFilterImpl<CDeBayerFilter> {
 public:
  CDeBayerFilter();

  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"DeBayer"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override;
  bool ORV_CALL checkInputType(const FrameTypeInfo& type) override;
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override;
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override;
  bool ORV_CALL hasDialog() override { return true; }
  // The property dialog (dialogs/debayerdialog.cpp).
  bool ORV_CALL callDialog(HWND parent) override;
  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  tParamResult getStartPattern(LONG* v);
  tParamResult setStartPattern(LONG v);
  tParamResult getMode(LONG* v);
  tParamResult setMode(LONG v);

  // Guarded by the filter's lock: transform reads both together.
  LONG m_StartPattern = 2;  // tBayerPattern, eGR
  LONG m_Mode = 1;          // tDeBayerOptions, eBilinear
};

}  // namespace orv_filter
