// The dialog templates of loaded modules, by module and template id.
#include <map>
#include <mutex>
#include <utility>

#include "platform/dialogs.h"

namespace orv {
namespace {

struct TemplateRegistry {
  std::mutex mutex;
  std::map<std::pair<HINSTANCE, WORD>, const DialogTemplate*> templates;
};

// Made on first use and never destroyed: a module that is still loaded when
// the process exits withdraws its templates from its own unload code, which
// runs after the exit handlers that would have destroyed a static registry.
TemplateRegistry& registry() {
  static TemplateRegistry* const instance = new TemplateRegistry;
  return *instance;
}

}  // namespace

void registerDialogTemplates(HINSTANCE module, std::span<const DialogTemplate> templates) {
  TemplateRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.mutex);
  for (const DialogTemplate& t : templates) r.templates[{module, t.id}] = &t;
}

void unregisterDialogTemplates(HINSTANCE module) {
  TemplateRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.mutex);
  std::erase_if(r.templates, [module](const auto& entry) { return entry.first.first == module; });
}

const DialogTemplate* findDialogTemplate(HINSTANCE module, WORD id) {
  TemplateRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.mutex);
  const auto it = r.templates.find({module, id});
  return it == r.templates.end() ? nullptr : it->second;
}

}  // namespace orv
