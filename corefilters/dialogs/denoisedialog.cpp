// The DeNoise dialog: a slider for the level, 0 to 5, and the number of
// frames averaged, 2^level. A level change restarts the averaging run, live
// or not.
#include "denoisetransform.h"
#include "dialogtemplates.h"
#include "propertydialog.h"

namespace orv_filter {
namespace {

constexpr LONG kDialogMaxLevel = 5;

// The filter keeps its level within 0..7.
LONG framesAveraged(LONG level) { return LONG{1} << level; }

}  // namespace

// Cancel puts the snapshot back through the level's setter, which refuses
// while live; then the level seen when the dialog opened is put back the way
// the dialog itself changes it.
bool CDeNoiseTransform::callDialog(HWND parent) {
  const LONG openedLevel = m_DeNoiseLevel;
  return runPropertyDialog(*this, kDeNoiseDialog, &forwardToFilter<CDeNoiseTransform>, parent, [this, openedLevel] {
    if (m_DeNoiseLevel != openedLevel) changeLevelLive(openedLevel);
  });
}

INT_PTR CDeNoiseTransform::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND slider = GetDlgItem(window, kDeNoiseLevelSlider);
  if (message == WM_INITDIALOG) {
    // Only reads the level, which nothing else changes while the dialog
    // runs: no lock.
    SendMessageW(slider, TBM_SETRANGEMIN, TRUE, 0);
    SendMessageW(slider, TBM_SETRANGEMAX, TRUE, kDialogMaxLevel);
    SendMessageW(slider, TBM_SETPOS, TRUE, m_DeNoiseLevel);
    showNumber(window, kDeNoiseFramesText, framesAveraged(m_DeNoiseLevel));
  } else if (message == WM_COMMAND) {
    endOnOkOrCancel(window, wParam);
  } else if (message == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == slider) {
    // Every notification, the end of tracking included, restarts the run.
    lock();
    changeLevelLive(static_cast<LONG>(SendMessageW(slider, TBM_GETPOS, 0, 0)));
    showNumber(window, kDeNoiseFramesText, framesAveraged(m_DeNoiseLevel));
    unlock();
  }
  return 0;
}

}  // namespace orv_filter
