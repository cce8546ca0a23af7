// Dialogs without a display, for tests. While a ScriptedDialogs object lives,
// every DialogBoxParamW in the process runs the next script handed to
// expectDialog instead of showing a window: the script acts as the user
// through platform/dialoginput.h and reads the controls back. Message boxes
// are recorded and answered without being shown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialoginput.h"

namespace orv {

class ORV_PLATFORM_API ScriptedDialogs {
 public:
  // Runs once the dialog has been initialised. A dialog still open when its
  // script returns fails with -1, and the omission is recorded as a problem.
  using Script = std::function<void(HWND dialog)>;

  struct MessageBoxRecord {
    HWND owner;
    std::u16string text;
    std::u16string caption;
    UINT type;
  };
  struct DialogRecord {
    WORD templateId;
    HWND owner;
    std::u16string caption;
    INT_PTR result;
  };

  ScriptedDialogs();
  ~ScriptedDialogs();
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // Scripts are used in the order given, one per dialog (nested ones too).
  void expectDialog(Script script);
  // How message boxes are answered; IDOK unless set. Called while the box is
  // "shown", on the dialog's thread.
  void answerMessageBoxes(std::function<int(const MessageBoxRecord&)> answer);

  const std::vector<MessageBoxRecord>& messageBoxes() const;
  const std::vector<DialogRecord>& dialogs() const;  // in the order they ended
  // A dialog with no script, a script that left its dialog open, scripts
  // never used (counted when asked).
  std::vector<std::string> problems() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

}  // namespace orv
