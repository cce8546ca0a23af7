// The user's side of an open dialog: what a user does to its controls, and
// what the controls show. A toolkit backend reports its widgets' input through
// these; tests drive the scripted dialogs (platform/dialogscript.h) with them
// and read the controls back.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace orv {

enum class ControlKind { pushButton, checkBox, dropDownList, slider, text };

// What one control shows.
struct ControlState {
  int id = 0;
  ControlKind kind = ControlKind::text;
  std::u16string text;
  bool enabled = true;
  bool defaultButton = false;  // push buttons: the one Enter presses
  bool centered = false;       // statics: centred rather than left-aligned
  bool checked = false;        // check boxes
  std::vector<std::u16string> items;  // drop-down lists, in order
  int selection = -1;                 // drop-down lists, -1 for none
  int rangeMin = 0;                   // sliders
  int rangeMax = 100;
  int position = 0;
};

struct DialogState {
  WORD templateId = 0;
  std::u16string caption;
  HWND owner = nullptr;
  bool enabled = true;
  bool ended = false;
  std::vector<ControlState> controls;  // template order
};

// Reads a dialog, or one control of it (the first with that id). False when
// the dialog is unknown or has no such control.
ORV_PLATFORM_API bool readDialog(HWND dialog, DialogState& out);
ORV_PLATFORM_API bool readControl(HWND dialog, int id, ControlState& out);

// User input. Each acts as the user would and sends the dialog procedure the
// notifications Windows sends. Each answers false, and does nothing, when the
// dialog has ended or is disabled, or the control is missing, disabled or of
// another kind.
//
// Clicks a push button (WM_COMMAND BN_CLICKED) or toggles a check box and then
// reports the click.
ORV_PLATFORM_API bool userClick(HWND dialog, int id);
// Picks item `index` of a drop-down list; CBN_SELCHANGE when it changes the
// selection.
ORV_PLATFORM_API bool userSelectItem(HWND dialog, int id, int index);
// Drags a slider's thumb: TB_THUMBTRACK at `position` (clamped to the range).
ORV_PLATFORM_API bool userTrackSlider(HWND dialog, int id, int position);
// Lets go of a slider's thumb: TB_THUMBPOSITION at the current position, then
// TB_ENDTRACK. Without a TrackSlider before it, this is a release without a
// move.
ORV_PLATFORM_API bool userReleaseSlider(HWND dialog, int id);
// A drag to `position` and the release.
ORV_PLATFORM_API bool userMoveSlider(HWND dialog, int id, int position);
// A key moves a slider to `position`: TB_LINEDOWN/TB_LINEUP, then TB_ENDTRACK.
ORV_PLATFORM_API bool userStepSlider(HWND dialog, int id, int position);
// Enter: presses the default push button (IDOK when there is none).
ORV_PLATFORM_API bool userPressEnter(HWND dialog);
// Escape, and the window's close box: WM_COMMAND IDCANCEL.
ORV_PLATFORM_API bool userPressEscape(HWND dialog);
ORV_PLATFORM_API bool userCloseDialog(HWND dialog);

}  // namespace orv
