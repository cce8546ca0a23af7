// Dialogs that run a test's script instead of a window.
#include "platform/dialogscript.h"

#include <deque>
#include <map>

#include "dialogmodel.h"

namespace orv {

struct ScriptedDialogs::Impl : dialog::Renderer {
  std::deque<Script> scripts;
  // Each dialog takes its script when it is created, so a dialog its own
  // initialisation opens takes the next one, not this one's.
  std::map<HWND, Script> taken;
  std::function<int(const MessageBoxRecord&)> answer;
  std::vector<MessageBoxRecord> boxes;
  std::vector<DialogRecord> dialogs;
  std::vector<std::string> problems;

  static std::string name(HWND dialog) {
    DialogState s;
    readDialog(dialog, s);
    return "dialog " + std::to_string(s.templateId);
  }

  bool create(HWND dialog, const DialogTemplate&, const DialogState&) override {
    if (scripts.empty()) {
      problems.push_back(name(dialog) + " opened with no script for it");
      return false;
    }
    taken[dialog] = std::move(scripts.front());
    scripts.pop_front();
    return true;
  }

  void run(HWND dialog) override {
    const auto it = taken.find(dialog);
    if (it == taken.end()) return;
    Script script = std::move(it->second);
    taken.erase(it);
    script(dialog);
    DialogState s;
    readDialog(dialog, s);
    if (!s.ended) problems.push_back(name(dialog) + " left open by its script");
  }

  void end(HWND) override {}

  void destroy(HWND dialog) override {
    taken.erase(dialog);  // a dialog that ended during its initialisation never ran its script
    DialogState s;
    readDialog(dialog, s);
    dialogs.push_back({s.templateId, s.owner, s.caption, static_cast<dialog::Dialog*>(dialog)->result});
  }

  void controlChanged(HWND, std::size_t, const ControlState&) override {}
  void captionChanged(HWND, const std::u16string&) override {}

  int messageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) override {
    boxes.push_back({owner, text, caption, type});
    return answer ? answer(boxes.back()) : IDOK;
  }
};

ScriptedDialogs::ScriptedDialogs() : m_pImpl(std::make_unique<Impl>()) { dialog::installScripts(m_pImpl.get()); }

ScriptedDialogs::~ScriptedDialogs() { dialog::installScripts(nullptr); }

void ScriptedDialogs::expectDialog(Script script) { m_pImpl->scripts.push_back(std::move(script)); }

void ScriptedDialogs::answerMessageBoxes(std::function<int(const MessageBoxRecord&)> answer) {
  m_pImpl->answer = std::move(answer);
}

const std::vector<ScriptedDialogs::MessageBoxRecord>& ScriptedDialogs::messageBoxes() const { return m_pImpl->boxes; }

const std::vector<ScriptedDialogs::DialogRecord>& ScriptedDialogs::dialogs() const { return m_pImpl->dialogs; }

std::vector<std::string> ScriptedDialogs::problems() const {
  std::vector<std::string> all = m_pImpl->problems;
  if (!m_pImpl->scripts.empty()) all.push_back(std::to_string(m_pImpl->scripts.size()) + " script(s) never used");
  return all;
}

}  // namespace orv
