// Messages to controls, window text, enabling and window data, with the
// behaviour of the Windows controls.
#include "dialogmodel.h"

using namespace orv::dialog;
using orv::ControlKind;
using orv::ControlState;

namespace {

LRESULT buttonMessage(Control& c, UINT message, WPARAM wParam) {
  switch (message) {
    case BM_GETCHECK:
      return c.state.checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      if (c.state.kind == ControlKind::checkBox && c.state.checked != (wParam == BST_CHECKED)) {
        c.state.checked = wParam == BST_CHECKED;
        c.dialog->changed(c);
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT listMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlState& s = c.state;
  switch (message) {
    case CB_ADDSTRING: {
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      if (!text) return CB_ERR;
      s.items.emplace_back(text);
      c.dialog->changed(c);
      return static_cast<LRESULT>(s.items.size() - 1);
    }
    case CB_GETCOUNT:
      return static_cast<LRESULT>(s.items.size());
    case CB_GETCURSEL:
      return s.selection;
    case CB_SETCURSEL: {
      // An index outside the list clears the selection and answers CB_ERR.
      const auto index = static_cast<INT_PTR>(wParam);
      const bool valid = index >= 0 && static_cast<std::size_t>(index) < s.items.size();
      s.selection = valid ? static_cast<int>(index) : -1;
      c.dialog->changed(c);
      return valid ? index : CB_ERR;
    }
    case CB_RESETCONTENT:
      s.items.clear();
      s.selection = -1;
      c.dialog->changed(c);
      return 0;
    default:
      return 0;
  }
}

// Keeps the position inside the range, as the trackbar does after every
// change of either.
LRESULT sliderMessage(Control& c, UINT message, LPARAM lParam) {
  ControlState& s = c.state;
  const auto value = static_cast<LONG>(lParam);
  switch (message) {
    case TBM_GETPOS:
      return s.position;
    case TBM_GETRANGEMIN:
      return s.rangeMin;
    case TBM_GETRANGEMAX:
      return s.rangeMax;
    case TBM_SETPOS:
      s.position = value;
      s.position = clampedPosition(s, s.position);
      c.dialog->changed(c);
      return 0;
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      (message == TBM_SETRANGEMIN ? s.rangeMin : s.rangeMax) = value;
      s.position = clampedPosition(s, s.position);
      c.dialog->changed(c);
      return 0;
    default:
      return 0;
  }
}

}  // namespace

HWND GetDlgItem(HWND dialog, int id) {
  Dialog* d = findDialog(dialog);
  return d ? d->control(id) : nullptr;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND__* w = findWindow(window);
  if (!w) return 0;
  if (auto* d = dynamic_cast<Dialog*>(w)) return d->send(message, wParam, lParam);
  auto& c = static_cast<Control&>(*w);
  switch (c.state.kind) {
    case ControlKind::pushButton:
    case ControlKind::checkBox:
      return buttonMessage(c, message, wParam);
    case ControlKind::dropDownList:
      return listMessage(c, message, wParam, lParam);
    case ControlKind::slider:
      return sliderMessage(c, message, lParam);
    case ControlKind::text:
      return 0;
  }
  return 0;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  HWND__* w = findWindow(window);
  if (!w) return FALSE;
  const std::u16string value = text ? text : u"";
  if (auto* d = dynamic_cast<Dialog*>(w)) {
    d->caption = value;
    if (d->renderer) d->renderer->captionChanged(d, value);
    return TRUE;
  }
  auto& c = static_cast<Control&>(*w);
  c.state.text = value;
  c.dialog->changed(c);
  return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  HWND__* w = findWindow(window);
  if (!w) return FALSE;
  if (auto* d = dynamic_cast<Dialog*>(w)) {
    const bool wasDisabled = !d->enabled;
    d->enabled = enable != FALSE;
    return wasDisabled ? TRUE : FALSE;
  }
  auto& c = static_cast<Control&>(*w);
  const bool wasDisabled = !c.state.enabled;
  if (c.state.enabled != (enable != FALSE)) {
    c.state.enabled = enable != FALSE;
    c.dialog->changed(c);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  HWND__* w = findWindow(window);
  if (!w) return FALSE;
  if (auto* d = dynamic_cast<Dialog*>(w)) return d->enabled ? TRUE : FALSE;
  return static_cast<Control&>(*w).state.enabled ? TRUE : FALSE;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  HWND__* w = findWindow(window);
  if (!w || index != GWLP_USERDATA) return 0;
  const LONG_PTR previous = w->userData;
  w->userData = value;
  return previous;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  HWND__* w = findWindow(window);
  if (!w || index != GWLP_USERDATA) return 0;
  return w->userData;
}
