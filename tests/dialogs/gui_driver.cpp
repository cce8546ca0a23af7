#include "gui_driver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace orv_test {

std::string runProgram(const std::vector<std::string>& command) {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  if (rc == 0) {
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    waitpid(pid, &status, 0);
  }
  close(out[0]);
  return text;
}

bool programAvailable(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs = path;
  for (std::size_t start = 0; start <= dirs.size();) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    if (access((dirs.substr(start, end - start) + "/" + name).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

GuiDriver::GuiDriver() {
  orv::setDialogShownHook([this](HWND dialog) { onShown(dialog); });
}

GuiDriver::~GuiDriver() { orv::setDialogShownHook(nullptr); }

// On the dialog's thread: everything the driver needs is read here, where
// the toolkit may be asked.
void GuiDriver::onShown(HWND dialog) {
  ShownDialog shown;
  shown.handle = dialog;
  orv::readDialog(dialog, shown.state);
  orv::placeDialog(dialog, shown.placement);
  orv::measureDialogTexts(dialog, shown.texts);
  std::lock_guard<std::mutex> guard(m_mutex);
  m_pending.push_back(shown);
  m_all.push_back(shown);
  m_cv.notify_all();
}

ShownDialog GuiDriver::waitForDialog() {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_cv.wait_for(lock, std::chrono::seconds(10), [this] { return !m_pending.empty(); })) return {};
  ShownDialog next = m_pending.front();
  m_pending.pop_front();
  return next;
}

std::vector<ShownDialog> GuiDriver::shownDialogs() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_all;
}

namespace {

const orv::ControlPlacement* placementOf(const ShownDialog& d, int id) {
  for (const auto& c : d.placement.controls)
    if (c.id == id) return &c;
  return nullptr;
}

std::string coordinate(const RECT& r, double fraction, bool horizontal) {
  const LONG from = horizontal ? r.left : r.top, to = horizontal ? r.right : r.bottom;
  return std::to_string(from + static_cast<LONG>(fraction * (to - from - 1) + 0.5));
}

}  // namespace

void GuiDriver::click(const ShownDialog& d, int id, double fx, double fy) {
  const orv::ControlPlacement* c = placementOf(d, id);
  if (!c) return;
  runProgram({"xdotool", "mousemove", "--sync", coordinate(c->screen, fx, true), coordinate(c->screen, fy, false),
              "click", "1"});
  settle();
}

void GuiDriver::drag(const ShownDialog& d, int id, double fromX, double toX) {
  const orv::ControlPlacement* c = placementOf(d, id);
  if (!c) return;
  const std::string y = coordinate(c->screen, 0.5, false);
  runProgram({"xdotool", "mousemove", "--sync", coordinate(c->screen, fromX, true), y, "mousedown", "1"});
  settle(100);
  for (int step = 1; step <= 4; ++step) {
    runProgram({"xdotool", "mousemove", "--sync", coordinate(c->screen, fromX + (toX - fromX) * step / 4, true), y});
    settle(50);
  }
  runProgram({"xdotool", "mouseup", "1"});
  settle();
}

void GuiDriver::keys(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    runProgram({"xdotool", "key", name});
    settle(120);
  }
  settle();
}

void GuiDriver::focus(std::uintptr_t window) {
  runProgram({"xdotool", "windowfocus", "--sync", std::to_string(window)});
  settle(100);
}

void GuiDriver::requestClose(std::uintptr_t window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<Window>(window);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, static_cast<Window>(window), False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  settle();
}

std::uintptr_t GuiDriver::findWindow(const std::string& title) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string found = runProgram({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"});
    if (!found.empty()) return std::strtoull(found.c_str(), nullptr, 10);
    settle(100);
  }
  return 0;
}

std::string GuiDriver::windowTitle(std::uintptr_t window) {
  std::string title = runProgram({"xdotool", "getwindowname", std::to_string(window)});
  while (!title.empty() && (title.back() == '\n' || title.back() == '\r')) title.pop_back();
  return title;
}

std::string GuiDriver::screenshot(std::uintptr_t window, const std::string& name) {
  const char* buildDir = std::getenv("ORV_BUILD_DIR");
  const std::filesystem::path dir = std::filesystem::path(buildDir ? buildDir : ".") / "screenshots";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / (name + ".png")).string();
  std::filesystem::remove(path);
  runProgram({"import", "-window", std::to_string(window), path});
  return path;
}

void GuiDriver::settle(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace orv_test
