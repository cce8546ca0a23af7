// What the four property dialogs share: the launcher behind callDialog, the
// binding of a dialog window to its filter, and small control helpers.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "framefilter.h"
#include "platform/dialogs.h"

namespace orv_filter {

// Snapshots the filter's parameters, runs dialog `templateId` of this module
// modally (owned by `owner`, or by the active window when null) with `proc`
// and the filter as its initialisation parameter, and on Cancel restores the
// snapshot and then calls `afterRestore`. True when the dialog ran, whether
// it ended with OK or Cancel; false when it could not be shown, and then
// nothing is restored.
bool runPropertyDialog(IParameterCtrl& filter, WORD templateId, DLGPROC proc, HWND owner,
                       const std::function<void()>& afterRestore = {});

// The dialog procedure of filter class T's dialog: WM_INITDIALOG carries the
// filter's IParameterCtrl; it is kept in the window's user data and every
// message from then on goes to T::dialogProc. Messages before it
// (the dialog font) find no filter and are answered with 0. The toolkit's C
// code calls it, so no exception may leave it: such a message counts as
// unhandled.
template <class T>
INT_PTR ORV_CALL forwardToFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
  auto* filter = reinterpret_cast<IParameterCtrl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!filter) return 0;
  return orv_detail::guarded<INT_PTR>(0, 0, [&]() -> INT_PTR {
    return static_cast<T*>(filter)->dialogProc(window, message, wParam, lParam);
  });
}

// OK (id 1) and Cancel (id 2) clicked: ends the dialog with that id and
// answers true.
bool endOnOkOrCancel(HWND window, WPARAM wParam);

// Fills drop-down list `id` with `items` in order and selects `selected`.
void fillList(HWND window, int id, std::span<const WCHAR* const> items, LONG selected);
LONG selectedItem(HWND window, int id);

// A 32-bit signed value as decimal text, with a minus sign when negative.
std::u16string decimalText(LONG value);
void showNumber(HWND window, int id, LONG value);

}  // namespace orv_filter
