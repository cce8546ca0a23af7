// The dialog templates of loaded modules, by module and template id.
#include <map>
#include <mutex>
#include <utility>

#include "platform/dialogs.h"

namespace orv {
namespace {

std::mutex g_mutex;
std::map<std::pair<HINSTANCE, WORD>, const DialogTemplate*> g_templates;

}  // namespace

void registerDialogTemplates(HINSTANCE module, std::span<const DialogTemplate> templates) {
  std::lock_guard<std::mutex> guard(g_mutex);
  for (const DialogTemplate& t : templates) g_templates[{module, t.id}] = &t;
}

void unregisterDialogTemplates(HINSTANCE module) {
  std::lock_guard<std::mutex> guard(g_mutex);
  std::erase_if(g_templates, [module](const auto& entry) { return entry.first.first == module; });
}

const DialogTemplate* findDialogTemplate(HINSTANCE module, WORD id) {
  std::lock_guard<std::mutex> guard(g_mutex);
  const auto it = g_templates.find({module, id});
  return it == g_templates.end() ? nullptr : it->second;
}

}  // namespace orv
