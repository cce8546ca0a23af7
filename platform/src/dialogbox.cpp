// Running a modal dialog: build it from its template, initialise it through
// its procedure, let the renderer show it until EndDialog, tear it down.
#include <algorithm>

#include "dialogmodel.h"

namespace orv::dialog {
namespace {

std::unique_ptr<Dialog> buildDialog(const DialogTemplate& tmpl, HWND owner, DLGPROC proc, Renderer* renderer) {
  auto d = std::make_unique<Dialog>();
  d->tmpl = &tmpl;
  d->renderer = renderer;
  d->proc = proc;
  d->owner = owner;
  d->caption = tmpl.caption ? tmpl.caption : u"";
  for (const DialogItemTemplate& item : tmpl.items) {
    std::unique_ptr<Control> c = makeControl(item);
    if (!c) return nullptr;
    c->dialog = d.get();
    c->index = d->controls.size();
    d->controls.push_back(std::move(c));
  }
  return d;
}

// Registers the dialog's windows for the length of a scope.
class Registration {
 public:
  explicit Registration(Dialog& d) : m_d(d) {
    registerWindow(&d);
    for (auto& c : d.controls) registerWindow(c.get());
  }
  ~Registration() {
    for (auto& c : m_d.controls) unregisterWindow(c.get());
    unregisterWindow(&m_d);
  }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

 private:
  Dialog& m_d;
};

// The owner is disabled while its modal dialog or message box runs.
class OwnerDisabled {
 public:
  explicit OwnerDisabled(HWND owner) : m_owner(findDialog(owner)) {
    if (m_owner) {
      m_wasEnabled = m_owner->enabled;
      m_owner->enabled = false;
    }
  }
  ~OwnerDisabled() {
    // The owner may have ended, but not been destroyed, meanwhile.
    if (m_owner && findDialog(m_owner)) m_owner->enabled = m_wasEnabled;
  }
  OwnerDisabled(const OwnerDisabled&) = delete;
  OwnerDisabled& operator=(const OwnerDisabled&) = delete;

 private:
  Dialog* m_owner;
  bool m_wasEnabled = true;
};

HWND firstTabStop(const Dialog& d) {
  for (std::size_t i = 0; i < d.controls.size(); ++i)
    if ((d.tmpl->items[i].style & WS_TABSTOP) && d.controls[i]->state.enabled) return d.controls[i].get();
  return nullptr;
}

}  // namespace
}  // namespace orv::dialog

using namespace orv::dialog;

INT_PTR DialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM initParam) {
  if (!proc || !IS_INTRESOURCE(templateName)) return -1;
  const DialogTemplate* tmpl = orv::findDialogTemplate(module, LOWORD(reinterpret_cast<UINT_PTR>(templateName)));
  if (!tmpl) return -1;
  Renderer* renderer = currentRenderer();
  if (!renderer) return -1;
  std::unique_ptr<Dialog> d = buildDialog(*tmpl, owner, proc, renderer);
  if (!d) return -1;

  Registration registration(*d);
  if (!renderer->create(d.get(), *tmpl, d->snapshot())) return -1;
  OwnerDisabled ownerDisabled(owner);
  runningDialogs().push_back(d.get());
  d->running = true;

  // Windows sends the font first, before the procedure has seen its
  // initialisation parameter.
  d->send(WM_SETFONT, 0, 0);
  d->send(WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop(*d)), initParam);
  if (!d->ended) renderer->run(d.get());
  if (!d->ended) d->result = -1;  // the renderer gave up on it
  d->running = false;
  d->send(WM_DESTROY, 0, 0);
  renderer->destroy(d.get());

  auto& running = runningDialogs();
  running.erase(std::remove(running.begin(), running.end(), d.get()), running.end());
  return d->result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  Dialog* d = findDialog(dialog);
  if (!d || d->ended) return FALSE;
  d->ended = true;
  d->result = result;
  if (d->running) d->renderer->end(d);
  return TRUE;
}

HWND GetActiveWindow() {
  const auto& running = runningDialogs();
  return running.empty() ? nullptr : running.back();
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  Dialog* ownerDialog = findDialog(owner);
  Renderer* renderer = ownerDialog ? ownerDialog->renderer : currentRenderer();
  if (!renderer) return 0;
  OwnerDisabled ownerDisabled(owner);
  return renderer->messageBox(ownerDialog, text ? text : u"", caption ? caption : u"Error", type);
}
