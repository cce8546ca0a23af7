// The ROI dialog: one slider per edge parameter, left and width in steps of
// 8 pixels, top and height in pixels. Each display shows the value read back
// from the filter, so a refused change shows as no change. While live the
// region's size is fixed, and the position sliders run only as far as the
// input leaves room.
#include "dialogtemplates.h"
#include "propertydialog.h"
#include "roi.h"

namespace orv_filter {
namespace {

struct RoiSlider {
  int slider;
  int display;
  LONG pixelsPerStep;
  LONG idleMax;
  tParamResult (CROITransform::*get)(LONG*);
  tParamResult (CROITransform::*set)(LONG);
};

constexpr RoiSlider kSliders[] = {
    {kRoiLeftSlider, kRoiLeftText, 8, 250, &CROITransform::getLeft, &CROITransform::setLeft},
    {kRoiTopSlider, kRoiTopText, 1, 2000, &CROITransform::getTop, &CROITransform::setTop},
    {kRoiWidthSlider, kRoiWidthText, 8, 250, &CROITransform::getWidth, &CROITransform::setWidth},
    {kRoiHeightSlider, kRoiHeightText, 1, 2000, &CROITransform::getHeight, &CROITransform::setHeight},
};

void disable(HWND window, int id) { EnableWindow(GetDlgItem(window, id), FALSE); }

void setMax(HWND window, int id, LONG max) { SendMessageW(GetDlgItem(window, id), TBM_SETRANGEMAX, TRUE, max); }

}  // namespace

bool CROITransform::callDialog(HWND parent) {
  return runPropertyDialog(*this, kRoiDialog, &forwardToFilter<CROITransform>, parent);
}

// transform copies the region under the lock, so the dialog reads and
// changes it under the lock and a frame never sees half a change.
INT_PTR CROITransform::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    lock();
    for (const RoiSlider& s : kSliders) {
      LONG value = 0;
      (this->*s.get)(&value);
      setMax(window, s.slider, s.idleMax);
      SendMessageW(GetDlgItem(window, s.slider), TBM_SETPOS, TRUE, value / s.pixelsPerStep);
      showNumber(window, s.display, value);
    }
    if (m_bLive) {
      for (int id : {kRoiWidthSlider, kRoiWidthText, kRoiHeightSlider, kRoiHeightText}) disable(window, id);
      setMax(window, kRoiLeftSlider, (m_InputDim.cx - m_OutputDim.cx) / 8);
      setMax(window, kRoiTopSlider, m_InputDim.cy - m_OutputDim.cy);
      if (m_InputDim.cx == m_OutputDim.cx) disable(window, kRoiLeftText);
      if (m_InputDim.cy == m_OutputDim.cy) disable(window, kRoiTopText);
    }
    unlock();
  } else if (message == WM_COMMAND) {
    endOnOkOrCancel(window, wParam);
  } else if (message == WM_HSCROLL) {
    for (const RoiSlider& s : kSliders) {
      HWND slider = GetDlgItem(window, s.slider);
      if (reinterpret_cast<HWND>(lParam) != slider) continue;
      lock();
      const auto position = static_cast<LONG>(SendMessageW(slider, TBM_GETPOS, 0, 0));
      (this->*s.set)(s.pixelsPerStep * position);
      LONG value = 0;
      (this->*s.get)(&value);
      showNumber(window, s.display, value);
      unlock();
    }
  }
  return 0;
}

}  // namespace orv_filter
