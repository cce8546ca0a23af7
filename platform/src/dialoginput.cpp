// The user's input, turned into the notifications Windows sends for it.
#include "dialogmodel.h"

using namespace orv::dialog;

namespace {

// A dialog that takes input: open, not ended, not disabled by a modal child.
Dialog* acceptingDialog(HWND dialog) {
  Dialog* d = findDialog(dialog);
  return d && d->running && !d->ended && d->enabled ? d : nullptr;
}

Control* acceptingControl(HWND dialog, int id, orv::ControlKind kind) {
  Dialog* d = acceptingDialog(dialog);
  Control* c = d ? d->control(id) : nullptr;
  return c && c->state.enabled && c->state.kind == kind ? c : nullptr;
}

void command(Dialog& d, int id, WORD code, HWND control) {
  d.send(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code), reinterpret_cast<LPARAM>(control));
}

void scroll(Control& c, WORD code) {
  c.dialog->send(WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(c.state.position)), reinterpret_cast<LPARAM>(&c));
}

}  // namespace

namespace orv {

bool readDialog(HWND dialog, DialogState& out) {
  Dialog* d = findDialog(dialog);
  if (!d) return false;
  out = d->snapshot();
  return true;
}

bool readControl(HWND dialog, int id, ControlState& out) {
  Dialog* d = findDialog(dialog);
  Control* c = d ? d->control(id) : nullptr;
  if (!c) return false;
  out = c->state;
  return true;
}

bool userClick(HWND dialog, int id) {
  Control* c = acceptingControl(dialog, id, ControlKind::pushButton);
  if (!c) {
    c = acceptingControl(dialog, id, ControlKind::checkBox);
    if (!c) return false;
    c->state.checked = !c->state.checked;  // an automatic check box ticks itself
  }
  command(*c->dialog, id, BN_CLICKED, c);
  return true;
}

bool userSelectItem(HWND dialog, int id, int index) {
  Control* c = acceptingControl(dialog, id, ControlKind::dropDownList);
  if (!c || index < 0 || static_cast<std::size_t>(index) >= c->state.items.size()) return false;
  if (c->state.selection == index) return true;
  c->state.selection = index;
  command(*c->dialog, id, CBN_SELCHANGE, c);
  return true;
}

bool userTrackSlider(HWND dialog, int id, int position) {
  Control* c = acceptingControl(dialog, id, ControlKind::slider);
  if (!c) return false;
  c->state.position = clampedPosition(c->state, position);
  scroll(*c, TB_THUMBTRACK);
  return true;
}

bool userReleaseSlider(HWND dialog, int id) {
  Control* c = acceptingControl(dialog, id, ControlKind::slider);
  if (!c) return false;
  scroll(*c, TB_THUMBPOSITION);
  // The first notification may have ended or disabled the dialog.
  if (acceptingControl(dialog, id, ControlKind::slider)) scroll(*c, TB_ENDTRACK);
  return true;
}

bool userMoveSlider(HWND dialog, int id, int position) {
  return userTrackSlider(dialog, id, position) && userReleaseSlider(dialog, id);
}

bool userStepSlider(HWND dialog, int id, int position) {
  Control* c = acceptingControl(dialog, id, ControlKind::slider);
  if (!c) return false;
  const int target = clampedPosition(c->state, position);
  const WORD code = target >= c->state.position ? TB_LINEDOWN : TB_LINEUP;
  c->state.position = target;
  scroll(*c, code);
  if (acceptingControl(dialog, id, ControlKind::slider)) scroll(*c, TB_ENDTRACK);
  return true;
}

bool userPressEnter(HWND dialog) {
  Dialog* d = acceptingDialog(dialog);
  if (!d) return false;
  int id = IDOK;
  for (auto& c : d->controls)
    if (c->state.kind == ControlKind::pushButton && c->state.defaultButton) {
      if (!c->state.enabled) return false;
      id = c->state.id;
      break;
    }
  command(*d, id, BN_CLICKED, d->control(id));
  return true;
}

bool userPressEscape(HWND dialog) {
  Dialog* d = acceptingDialog(dialog);
  if (!d) return false;
  command(*d, IDCANCEL, BN_CLICKED, d->control(IDCANCEL));
  return true;
}

bool userCloseDialog(HWND dialog) {
  // The close box becomes WM_CLOSE, which the default dialog handling turns
  // into the Cancel command.
  return userPressEscape(dialog);
}

}  // namespace orv
