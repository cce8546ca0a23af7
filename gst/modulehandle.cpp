#include "modulehandle.h"

#include <cstdlib>
#include <mutex>

#include "pixrt/filtermodule.h"

namespace orvgst {

std::string modulePath() {
  const char* named = std::getenv(kModuleEnvVar);
  if (named && *named) return named;
  return Pixlib::libraryDirectory() + "/" + kModuleFileName;
}

namespace {

Pixlib::FilterModule* module = nullptr;

// A GStreamer plug-in is never unloaded, so the module stays until the
// process exits; it is released by an exit handler, which runs before the
// platform library's statics that the module's unload code still uses.
void unloadAtExit() {
  delete module;
  module = nullptr;
}

}  // namespace

IFilterFactory* moduleFactory(std::string& error) {
  static std::once_flag once;
  static std::string loadError;
  std::call_once(once, [] {
    module = Pixlib::FilterModule::load(modulePath(), loadError).release();
    if (module) std::atexit(unloadAtExit);
  });
  error = loadError;
  return module ? module->factory() : nullptr;
}

}  // namespace orvgst
