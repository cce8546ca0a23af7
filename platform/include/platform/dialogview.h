// What a dialog looks like on a real display, for checks of the layout: the
// controls' pixel rectangles and whether every text fits its control. Only
// the toolkit backend can answer; on scripted dialogs these return false.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace orv {

struct ControlPlacement {
  int id = 0;
  RECT screen{};   // pixels, in screen coordinates
};

struct DialogPlacement {
  std::uintptr_t nativeWindow = 0;  // the X11 window id, 0 elsewhere
  RECT client{};                    // the dialog's client area on the screen
  int baseUnitX = 0;                // dialog base units of the dialog's font
  int baseUnitY = 0;
  std::vector<ControlPlacement> controls;  // template order
};

// One text of one control (a label, a button, each item of a list), measured
// in the control's font against the room the control gives it.
struct TextFit {
  int id = 0;
  std::u16string text;
  int neededWidth = 0;
  int neededHeight = 0;
  int roomWidth = 0;
  int roomHeight = 0;
  bool fits() const { return neededWidth <= roomWidth && neededHeight <= roomHeight; }
};

// Called on the dialog's thread once a dialog is on the screen and laid out,
// before the user can act on it. One hook per process; null removes it.
ORV_PLATFORM_API void setDialogShownHook(std::function<void(HWND dialog)> hook);

// Both must be called on the dialog's thread (from the hook or the dialog
// procedure).
ORV_PLATFORM_API bool placeDialog(HWND dialog, DialogPlacement& out);
ORV_PLATFORM_API bool measureDialogTexts(HWND dialog, std::vector<TextFit>& out);

}  // namespace orv
