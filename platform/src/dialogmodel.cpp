#include "dialogmodel.h"

#include <mutex>
#include <set>
#include <string_view>

namespace orv::dialog {
namespace {

std::mutex g_windowsMutex;
std::set<HWND__*> g_windows;

// Window class names compare without regard to ASCII case.
bool sameClass(LPCWSTR name, std::u16string_view expected) {
  if (!name) return false;
  std::size_t i = 0;
  for (; name[i] && i < expected.size(); ++i) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(name[i]) != lower(expected[i])) return false;
  }
  return !name[i] && i == expected.size();
}

}  // namespace

Control* Dialog::control(int id) {
  for (auto& c : controls)
    if (c->state.id == id) return c.get();
  return nullptr;
}

DialogState Dialog::snapshot() const {
  DialogState s;
  s.templateId = tmpl ? tmpl->id : 0;
  s.caption = caption;
  s.owner = owner;
  s.enabled = enabled;
  s.ended = ended;
  for (const auto& c : controls) s.controls.push_back(c->state);
  return s;
}

INT_PTR Dialog::send(UINT message, WPARAM wParam, LPARAM lParam) { return proc(this, message, wParam, lParam); }

void Dialog::changed(Control& c) {
  if (renderer) renderer->controlChanged(this, c.index, c.state);
}

std::unique_ptr<Control> makeControl(const DialogItemTemplate& item) {
  auto c = std::make_unique<Control>();
  ControlState& s = c->state;
  s.id = item.id;
  s.text = item.text ? item.text : u"";
  s.enabled = (item.style & WS_DISABLED) == 0;
  if (sameClass(item.className, u"button")) {
    switch (item.style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        s.kind = ControlKind::pushButton;
        s.defaultButton = (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        break;
      case BS_AUTOCHECKBOX:
        s.kind = ControlKind::checkBox;
        break;
      default:
        return nullptr;
    }
  } else if (sameClass(item.className, u"combobox")) {
    s.kind = ControlKind::dropDownList;
    s.text.clear();
  } else if (sameClass(item.className, u"static")) {
    s.kind = ControlKind::text;
    s.centered = (item.style & SS_TYPEMASK) == SS_CENTER;
  } else if (sameClass(item.className, u"msctls_trackbar32")) {
    s.kind = ControlKind::slider;  // a new trackbar runs from 0 to 100, at 0
  } else {
    return nullptr;
  }
  return c;
}

void registerWindow(HWND__* window) {
  std::lock_guard<std::mutex> guard(g_windowsMutex);
  g_windows.insert(window);
}

void unregisterWindow(HWND__* window) {
  std::lock_guard<std::mutex> guard(g_windowsMutex);
  g_windows.erase(window);
}

HWND__* findWindow(HWND handle) {
  std::lock_guard<std::mutex> guard(g_windowsMutex);
  return g_windows.count(handle) ? handle : nullptr;
}

Dialog* findDialog(HWND handle) { return dynamic_cast<Dialog*>(findWindow(handle)); }

std::vector<Dialog*>& runningDialogs() {
  thread_local std::vector<Dialog*> running;
  return running;
}

}  // namespace orv::dialog
