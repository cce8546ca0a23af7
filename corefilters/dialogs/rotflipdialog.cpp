// The Rotate-Flip dialog: the angle from a list, the mirrors from two check
// boxes. While live, an angle that would swap the output's width and height
// is refused with a message.
#include "dialogtemplates.h"
#include "propertydialog.h"
#include "rotflip.h"

namespace orv_filter {
namespace {

// Index × 90 is the angle; 270° is shown as -90°.
constexpr const WCHAR* kAngles[] = {u"0\u00B0", u"90\u00B0", u"180\u00B0", u"-90\u00B0"};

}  // namespace

bool RotFlipTransform::callDialog(HWND parent) {
  return runPropertyDialog(*this, kRotateFlipDialog, &forwardToFilter<RotFlipTransform>, parent);
}

INT_PTR RotFlipTransform::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    lock();
    fillList(window, kRotationList, kAngles, m_RotationAngle / 90);
    SendMessageW(GetDlgItem(window, kFlipVerticalCheck), BM_SETCHECK, m_bFlipV ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(GetDlgItem(window, kFlipHorizontalCheck), BM_SETCHECK, m_bFlipH ? BST_CHECKED : BST_UNCHECKED, 0);
    unlock();
    return 0;
  }
  if (message != WM_COMMAND || endOnOkOrCancel(window, wParam)) return 0;

  const int id = LOWORD(wParam);
  const WORD code = HIWORD(wParam);
  // The mirrors are single flags with no conditions: written at once, no lock.
  if (code == BN_CLICKED && (id == kFlipVerticalCheck || id == kFlipHorizontalCheck)) {
    const bool checked = SendMessageW(GetDlgItem(window, id), BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
    (id == kFlipVerticalCheck ? m_bFlipV : m_bFlipH) = checked;
  } else if (code == CBN_SELCHANGE && id == kRotationList) {
    const LONG index = selectedItem(window, kRotationList);
    if (index < 0 || index > 3) return 0;
    const LONG angle = 90 * index;
    lock();
    const bool refused = m_bLive && !angleKeepsOutputShape(angle);
    if (refused)
      SendMessageW(GetDlgItem(window, kRotationList), CB_SETCURSEL, static_cast<WPARAM>(m_RotationAngle / 90), 0);
    else
      m_RotationAngle = angle;
    unlock();
    // Shown after the lock is released: frames keep flowing meanwhile.
    if (refused)
      MessageBoxW(window, u"Error: Can't change output format in live mode", u"Rotate-Flip Filter",
                  MB_OK | MB_ICONERROR);
  }
  return 0;
}

}  // namespace orv_filter
