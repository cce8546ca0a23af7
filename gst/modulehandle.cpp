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

IFilterFactory* moduleFactory(std::string& error) {
  static std::once_flag once;
  // Never unloaded: a GStreamer plug-in stays loaded until the process exits,
  // and so do the elements' filters.
  static Pixlib::FilterModule* module = nullptr;
  static std::string loadError;
  std::call_once(once, [] { module = Pixlib::FilterModule::load(modulePath(), loadError).release(); });
  error = loadError;
  return module ? module->factory() : nullptr;
}

}  // namespace orvgst
