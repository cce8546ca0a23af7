// The DeBayer dialog: two lists whose indices are the start pattern and the
// demosaicing method, applied as soon as either changes.
#include "debayer.h"
#include "dialogtemplates.h"
#include "propertydialog.h"

namespace orv_filter {
namespace {

// Each label names the colour at column 0 of memory row 1, then of row 0.
constexpr const WCHAR* kPatterns[] = {u"RG", u"GB", u"GR", u"BG"};
constexpr const WCHAR* kMethods[] = {u"Nearest Color", u"Bilinear", u"Edge Sensing"};

}  // namespace

bool CDeBayerFilter::callDialog(HWND parent) {
  return runPropertyDialog(*this, kDeBayerDialog, &forwardToFilter<CDeBayerFilter>, parent);
}

// transform reads both parameters under the lock, so they are shown and
// changed under it too.
INT_PTR CDeBayerFilter::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    lock();
    fillList(window, kStartPatternList, kPatterns, m_StartPattern);
    fillList(window, kAlgorithmList, kMethods, m_Mode);
    unlock();
  } else if (message == WM_COMMAND && !endOnOkOrCancel(window, wParam) && HIWORD(wParam) == CBN_SELCHANGE) {
    const int id = LOWORD(wParam);
    if (id == kStartPatternList || id == kAlgorithmList) {
      const LONG index = selectedItem(window, id);
      lock();
      if (id == kStartPatternList)
        setStartPattern(index);
      else
        setMode(index);
      unlock();
    }
  }
  return 0;
}

}  // namespace orv_filter
