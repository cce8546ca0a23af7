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
  // Deliberately never unloaded: elements of the plug-in may live until exit.
  static Pixlib::FilterModule* module = nullptr;
  static std::string loadError;
  std::call_once(once, [] { module = Pixlib::FilterModule::load(modulePath(), loadError).release(); });
  error = loadError;
  return module ? module->factory() : nullptr;
}

}  // namespace orvgst
