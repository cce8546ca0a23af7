// The dialog model: dialog and control windows with the state Windows keeps
// for them, the handles that name them, and the dispatch of messages to a
// dialog procedure.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialogrenderer.h"
#include "platform/dialoginput.h"

// A window handle points at one of these.
struct HWND__ {
  virtual ~HWND__() = default;
  LONG_PTR userData = 0;
};

namespace orv::dialog {

struct Dialog;

struct Control : HWND__ {
  Dialog* dialog = nullptr;
  std::size_t index = 0;
  ControlState state;
};

struct Dialog : HWND__ {
  const DialogTemplate* tmpl = nullptr;
  Renderer* renderer = nullptr;
  DLGPROC proc = nullptr;
  HWND owner = nullptr;
  std::u16string caption;
  bool enabled = true;
  bool running = false;
  bool ended = false;
  INT_PTR result = -1;
  std::vector<std::unique_ptr<Control>> controls;

  Control* control(int id);
  DialogState snapshot() const;
  // Calls the dialog procedure.
  INT_PTR send(UINT message, WPARAM wParam, LPARAM lParam);
  // Reports a change made by the dialog code to the renderer.
  void changed(Control& control);
};

// The control described by one template item; null for a class or button
// style the dialogs do not know.
std::unique_ptr<Control> makeControl(const DialogItemTemplate& item);

// Live windows. Handles are checked here before use, so a stale or foreign
// handle is refused instead of followed.
void registerWindow(HWND__* window);
void unregisterWindow(HWND__* window);
HWND__* findWindow(HWND handle);
Dialog* findDialog(HWND handle);

// The dialogs running on the calling thread, innermost last.
std::vector<Dialog*>& runningDialogs();

// The renderer dialogs are shown with now: the scripts while a test has
// installed them, otherwise the toolkit if it can start.
Renderer* currentRenderer();
void installScripts(Renderer* scripts);
void notifyShown(HWND dialog);

// `position` brought within a slider's range; the minimum when the range is
// empty (maximum below minimum).
inline int clampedPosition(const ControlState& s, int position) {
  if (position > s.rangeMax) position = s.rangeMax;
  if (position < s.rangeMin) position = s.rangeMin;
  return position;
}

}  // namespace orv::dialog
