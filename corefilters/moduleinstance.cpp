// The instance handle of the module these filters are linked into, and the
// registration of its dialog templates under it. A program that links the
// filters directly (a test) is its own module in this sense.
#include <dlfcn.h>

#include "dialogs/dialogtemplates.h"
#include "moduleentry.h"

namespace orv_filter {
namespace {

HINSTANCE g_hInstance = nullptr;

// Runs when the module is loaded, after the runtime's own start-up.
__attribute__((constructor)) void recordModuleInstance() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&recordModuleInstance), &info) != 0)
    g_hInstance = static_cast<HINSTANCE>(info.dli_fbase);
  registerPropertyDialogs(g_hInstance);
}

// The templates live in the module's memory: withdraw them before it goes.
__attribute__((destructor)) void withdrawDialogTemplates() { unregisterPropertyDialogs(g_hInstance); }

}  // namespace

HINSTANCE moduleInstance() { return g_hInstance; }

}  // namespace orv_filter
