// Drives real dialog windows from outside, as a user at the X display would:
// key presses and pointer moves through xdotool, screenshots through
// ImageMagick's import, and the window manager's close request sent directly
// (there is no window manager under Xvfb to draw a close box).
//
// A dialog runs modally on the test's main thread; the driver runs on its
// own thread and learns about each dialog from the shown hook, which fires
// on the main thread once the dialog is on the screen.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialoginput.h"
#include "platform/dialogview.h"

namespace orv_test {

struct ShownDialog {
  HWND handle = nullptr;
  orv::DialogState state;
  orv::DialogPlacement placement;
  std::vector<orv::TextFit> texts;
};

class GuiDriver {
 public:
  // Installs the shown hook; removes it again when destroyed.
  GuiDriver();
  ~GuiDriver();
  GuiDriver(const GuiDriver&) = delete;
  GuiDriver& operator=(const GuiDriver&) = delete;

  // The next dialog to come on the screen (waits up to 10 s).
  ShownDialog waitForDialog();
  // Every dialog shown so far, for checks after the fact.
  std::vector<ShownDialog> shownDialogs() const;

  // Pointer: a click, or a press-move-release, at a point given as fractions
  // of a control's rectangle.
  void click(const ShownDialog& d, int id, double fx = 0.5, double fy = 0.5);
  void drag(const ShownDialog& d, int id, double fromX, double toX);
  // Keys by X keysym name ("Tab", "Return", "Down", ...), to the window that
  // has the keyboard focus.
  void keys(const std::vector<std::string>& names);
  void focus(std::uintptr_t window);
  // The close box's request: WM_DELETE_WINDOW to the window.
  void requestClose(std::uintptr_t window);
  // A top-level window by its exact title, or 0 (waits up to 10 s).
  std::uintptr_t findWindow(const std::string& title);
  std::string windowTitle(std::uintptr_t window);
  // Saves build/screenshots/<name>.png; returns its path.
  std::string screenshot(std::uintptr_t window, const std::string& name);

  // Lets the toolkit catch up with the last input.
  static void settle(int milliseconds = 250);

 private:
  void onShown(HWND dialog);

  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<ShownDialog> m_pending;
  std::vector<ShownDialog> m_all;
};

// Runs `command` (argv form), waits for it and returns its standard output;
// an empty string when it cannot be run.
std::string runProgram(const std::vector<std::string>& command);
bool programAvailable(const std::string& name);

}  // namespace orv_test
