#include "propertydialog.h"

#include "moduleentry.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"

namespace orv_filter {

bool runPropertyDialog(IParameterCtrl& filter, WORD templateId, DLGPROC proc, HWND owner,
                       const std::function<void()>& afterRestore) {
  return orv_detail::guarded(false, false, [&] {
    // Empty when the filter cannot save.
    std::u16string snapshot;
    WCHAR* text = nullptr;
    if (filter.saveParameters(&text) == eParamOk && text) snapshot = text;
    CoTaskMemFree(text);

    if (!owner) owner = GetActiveWindow();
    const INT_PTR result = DialogBoxParamW(moduleInstance(), MAKEINTRESOURCEW(templateId), owner, proc,
                                           reinterpret_cast<LPARAM>(&filter));
    if (result == IDCANCEL) {
      // The setters take no lock and frames may be flowing: the whole restore
      // falls between two frames. A value a setter refuses keeps its current
      // value; the result is not examined.
      filter.lock();
      filter.restoreParameters(snapshot.c_str());
      if (afterRestore) afterRestore();
      filter.unlock();
    }
    return result >= 1;
  });
}

bool endOnOkOrCancel(HWND window, WPARAM wParam) {
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) != BN_CLICKED || (id != IDOK && id != IDCANCEL)) return false;
  EndDialog(window, id);
  return true;
}

void fillList(HWND window, int id, std::span<const WCHAR* const> items, LONG selected) {
  HWND list = GetDlgItem(window, id);
  for (const WCHAR* item : items) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

LONG selectedItem(HWND window, int id) {
  return static_cast<LONG>(SendMessageW(GetDlgItem(window, id), CB_GETCURSEL, 0, 0));
}

std::u16string decimalText(LONG value) { return orv::utf8ToUtf16(std::to_string(value)); }

void showNumber(HWND window, int id, LONG value) { SetWindowTextW(GetDlgItem(window, id), decimalText(value).c_str()); }

}  // namespace orv_filter
