// The seam between the dialog model (the Windows behaviour, written once in
// the platform library) and what shows a dialog: a toolkit window, or the
// scripts of the tests. A renderer mirrors the model's state and reports the
// user's input back through platform/dialoginput.h.
#pragma once

#include <string>
#include <vector>

#include "platform/dialoginput.h"
#include "platform/dialogview.h"

namespace orv::dialog {

class Renderer {
 public:
  virtual ~Renderer() = default;
  // Builds the dialog, hidden, from its template and initial state. False
  // when it cannot; the dialog then fails to open.
  virtual bool create(HWND dialog, const DialogTemplate& tmpl, const DialogState& state) = 0;
  // Shows the dialog and lets the user act on it; returns once end() has been
  // called for it (or, for scripts, when the script is done).
  virtual void run(HWND dialog) = 0;
  virtual void end(HWND dialog) = 0;
  virtual void destroy(HWND dialog) = 0;
  // A control the dialog code changed, in its new state. Changes made by the
  // user are not reported back: the renderer saw them first.
  virtual void controlChanged(HWND dialog, std::size_t index, const ControlState& state) = 0;
  virtual void captionChanged(HWND dialog, const std::u16string& caption) = 0;
  // Shows a message box owned by `owner` (a dialog of this renderer, or null)
  // and returns the button pressed.
  virtual int messageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) = 0;
  virtual bool place(HWND, DialogPlacement&) { return false; }
  virtual bool measureTexts(HWND, std::vector<TextFit>&) { return false; }
};

// What the platform library offers a renderer loaded from another library.
struct RendererHost {
  void (*dialogShown)(HWND dialog);
};

// The toolkit backend library, found beside the platform library, and its one
// export: returns the process's renderer, or null when the toolkit cannot
// start (no display) or is asked from a thread other than its own.
inline constexpr const char* kToolkitLibrary = "liborvdialogs_gtk.so";
inline constexpr const char* kToolkitEntry = "orvToolkitDialogRenderer";
using ToolkitEntryFn = Renderer* (*)(const RendererHost* host);

}  // namespace orv::dialog
