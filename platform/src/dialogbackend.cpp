// Which renderer shows dialogs: the test scripts when installed, otherwise
// the toolkit backend, loaded on first use so that a host that never opens a
// dialog never loads the toolkit.
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>

#include "dialogmodel.h"

namespace orv::dialog {
namespace {

std::atomic<Renderer*> g_scripts{nullptr};

std::mutex g_hookMutex;
std::function<void(HWND)> g_shownHook;

bool displayConfigured() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

// The toolkit library sits beside this library.
std::string toolkitPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&toolkitPath), &info) == 0 || !info.dli_fname) return kToolkitLibrary;
  const std::string self = info.dli_fname;
  const auto slash = self.rfind('/');
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + kToolkitLibrary;
}

ToolkitEntryFn toolkitEntry() {
  static std::once_flag once;
  static ToolkitEntryFn entry = nullptr;
  std::call_once(once, [] {
    // Never closed: the toolkit cannot be unloaded and loaded again.
    void* library = ::dlopen(toolkitPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library) entry = reinterpret_cast<ToolkitEntryFn>(::dlsym(library, kToolkitEntry));
  });
  return entry;
}

const RendererHost g_host{&notifyShown};

}  // namespace

Renderer* currentRenderer() {
  if (Renderer* scripts = g_scripts.load()) return scripts;
  if (!displayConfigured()) return nullptr;
  ToolkitEntryFn entry = toolkitEntry();
  return entry ? entry(&g_host) : nullptr;
}

void installScripts(Renderer* scripts) { g_scripts.store(scripts); }

void notifyShown(HWND dialog) {
  std::function<void(HWND)> hook;
  {
    std::lock_guard<std::mutex> guard(g_hookMutex);
    hook = g_shownHook;
  }
  if (hook) hook(dialog);
}

}  // namespace orv::dialog

namespace orv {

void setDialogShownHook(std::function<void(HWND)> hook) {
  std::lock_guard<std::mutex> guard(dialog::g_hookMutex);
  dialog::g_shownHook = std::move(hook);
}

bool placeDialog(HWND dialog, DialogPlacement& out) {
  dialog::Dialog* d = dialog::findDialog(dialog);
  return d && d->renderer && d->renderer->place(d, out);
}

bool measureDialogTexts(HWND dialog, std::vector<TextFit>& out) {
  dialog::Dialog* d = dialog::findDialog(dialog);
  return d && d->renderer && d->renderer->measureTexts(d, out);
}

}  // namespace orv
