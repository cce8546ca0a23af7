// Reading a dialog's controls, and running without a display.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/dialogscript.h"

namespace orv_test {

// The control's state; a control that cannot be read counts against the test.
inline orv::ControlState control(HWND dialog, int id) {
  orv::ControlState s;
  EXPECT_TRUE(orv::readControl(dialog, id, s)) << "control " << id;
  return s;
}

// Unsets DISPLAY and WAYLAND_DISPLAY while in scope, so that no dialog can
// reach a screen, and puts back whichever were set.
class NoDisplay {
 public:
  NoDisplay() : m_display(read("DISPLAY")), m_wayland(read("WAYLAND_DISPLAY")) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
  ~NoDisplay() {
    if (m_display) setenv("DISPLAY", m_display->c_str(), 1);
    if (m_wayland) setenv("WAYLAND_DISPLAY", m_wayland->c_str(), 1);
  }
  NoDisplay(const NoDisplay&) = delete;
  NoDisplay& operator=(const NoDisplay&) = delete;

 private:
  static std::optional<std::string> read(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }

  std::optional<std::string> m_display, m_wayland;
};

}  // namespace orv_test
