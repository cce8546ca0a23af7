// Modal dialogs on the scripted backend: the messages a dialog procedure
// receives, the behaviour of the controls, the user's input and its
// notifications, nesting, message boxes and the ways a dialog fails to open.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dialog_control.h"
#include "platform/dialogscript.h"

using orv_test::control;

namespace {

constexpr int kList = 10, kCheck = 11, kSlider = 12, kShown = 13, kDisabled = 14;

constexpr DialogItemTemplate kItems[] = {
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 100, 7, 50, 14, IDOK, u"Button", u"OK"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 7, 7, 60, 50, kList, u"ComboBox", nullptr},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 25, 50, 10, kCheck, u"BUTTON", u"Check"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_NOTICKS, 0, 7, 40, 80, 15, kSlider, u"msctls_trackbar32", nullptr},
    {WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 90, 40, 20, 8, kShown, u"Static", u"Static"},
    {WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 60, 50, 10, kDisabled, u"Button", u"Off"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 100, 24, 50, 14, IDCANCEL, u"Button", u"Cancel"},
};
constexpr DialogItemTemplate kBadItems[] = {
    {WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 10, 5, u"SysListView32", nullptr},
};
constexpr WORD kTestDialog = 7, kBadDialog = 8;
const DialogTemplate kTemplates[] = {
    {kTestDialog, 1031, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, u"Test", 0, 0, 160, 80, u"MS Shell Dlg", 8, 400, 0, 1,
     kItems},
    {kBadDialog, 1031, WS_POPUP, 0, u"Bad", 0, 0, 20, 20, u"MS Shell Dlg", 8, 400, 0, 1, kBadItems},
};

int g_moduleTag;
HINSTANCE testModule() { return reinterpret_cast<HINSTANCE>(&g_moduleTag); }

struct Message {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Message> g_log;

// Records every message; ends the dialog on OK and Cancel; initialisation
// fills the list and sets the slider from code.
INT_PTR ORV_CALL testProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_log.push_back({window, message, wParam, lParam});
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    HWND list = GetDlgItem(window, kList);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"zero"));
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"one"));
    SendMessageW(list, CB_SETCURSEL, 1, 0);
    SendMessageW(GetDlgItem(window, kSlider), TBM_SETRANGEMAX, TRUE, 20);
    SendMessageW(GetDlgItem(window, kSlider), TBM_SETPOS, TRUE, 5);
  } else if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
             (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, LOWORD(wParam));
  }
  return 0;
}

// The messages after initialisation, as (message, low word, high word).
std::vector<std::vector<long>> notifications() {
  std::vector<std::vector<long>> out;
  bool initialised = false;
  for (const Message& m : g_log) {
    if (m.message == WM_INITDIALOG) initialised = true;
    else if (initialised && m.message != WM_DESTROY)
      out.push_back({static_cast<long>(m.message), LOWORD(m.wParam), HIWORD(m.wParam)});
  }
  return out;
}

struct Dialogs : ::testing::Test {
  orv::ScriptedDialogs scripts;
  std::size_t expectedProblems = 0;
  Dialogs() {
    orv::registerDialogTemplates(testModule(), kTemplates);
    g_log.clear();
  }
  ~Dialogs() override {
    orv::unregisterDialogTemplates(testModule());
    EXPECT_EQ(scripts.problems().size(), expectedProblems);
  }
  INT_PTR run(WORD id = kTestDialog, HWND owner = nullptr, LPARAM init = 0x5EED) {
    return DialogBoxParamW(testModule(), MAKEINTRESOURCEW(id), owner, &testProc, init);
  }
};

TEST_F(Dialogs, ProcedureSeesFontThenInitialisationThenDestruction) {
  HWND seen = nullptr, ok = nullptr;
  scripts.expectDialog([&](HWND d) {
    seen = d;
    ok = GetDlgItem(d, IDOK);
    EXPECT_EQ(GetWindowLongPtrW(d, GWLP_USERDATA), 0x5EED);
    EXPECT_EQ(GetActiveWindow(), d);
    EXPECT_TRUE(orv::userClick(d, IDOK));
    EXPECT_FALSE(orv::userClick(d, IDCANCEL)) << "an ended dialog takes no input";
  });
  EXPECT_EQ(run(), IDOK);
  ASSERT_GE(g_log.size(), 4u);
  EXPECT_EQ(g_log[0].message, WM_SETFONT);
  EXPECT_EQ(g_log[1].message, WM_INITDIALOG);
  EXPECT_EQ(g_log[1].lParam, 0x5EED);
  EXPECT_EQ(reinterpret_cast<HWND>(g_log[1].wParam), ok) << "first tab stop";
  EXPECT_EQ(g_log.back().message, WM_DESTROY);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetDlgItem(seen, IDOK), nullptr) << "handles die with the dialog";
  EXPECT_EQ(SendMessageW(seen, WM_COMMAND, IDOK, 0), 0);
  ASSERT_EQ(scripts.dialogs().size(), 1u);
  EXPECT_EQ(scripts.dialogs()[0].caption, u"Test");
  EXPECT_EQ(scripts.dialogs()[0].result, IDOK);
}

TEST_F(Dialogs, ControlsBehaveAsTheWindowsControlsAndCodeSendsNoNotifications) {
  scripts.expectDialog([](HWND d) {
    HWND list = GetDlgItem(d, kList), slider = GetDlgItem(d, kSlider), check = GetDlgItem(d, kCheck);
    EXPECT_EQ(control(d, kList).items, (std::vector<std::u16string>{u"zero", u"one"}));
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"two")), 2);
    EXPECT_EQ(SendMessageW(list, CB_SETCURSEL, 3, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR) << "a bad index clears the selection";
    EXPECT_EQ(SendMessageW(list, CB_SETCURSEL, 2, 0), 2);

    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 20);
    SendMessageW(slider, TBM_SETPOS, TRUE, 50);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 20) << "positions are clamped into the range";
    SendMessageW(slider, TBM_SETRANGEMAX, TRUE, 8);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 8) << "a shrinking range drags the position along";
    SendMessageW(slider, TBM_SETRANGEMAX, TRUE, 0);
    SendMessageW(slider, TBM_SETPOS, TRUE, -3);
    EXPECT_EQ(control(d, kSlider).position, 0);

    EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));

    EXPECT_EQ(control(d, kShown).text, u"Static");
    EXPECT_TRUE(control(d, kShown).centered);
    SetWindowTextW(GetDlgItem(d, kShown), u"-42");
    EXPECT_EQ(control(d, kShown).text, u"-42");
    EXPECT_EQ(EnableWindow(GetDlgItem(d, kShown), FALSE), FALSE);
    EXPECT_EQ(EnableWindow(GetDlgItem(d, kShown), FALSE), TRUE) << "reports that it was disabled";
    EXPECT_FALSE(control(d, kShown).enabled);
    EXPECT_FALSE(control(d, kDisabled).enabled) << "WS_DISABLED in the template";
    EXPECT_TRUE(control(d, IDOK).defaultButton);
    EXPECT_FALSE(control(d, IDCANCEL).defaultButton);

    EXPECT_EQ(notifications(), std::vector<std::vector<long>>{});
    EndDialog(d, 42);
  });
  EXPECT_EQ(run(), 42);
}

TEST_F(Dialogs, UserInputArrivesAsTheWindowsNotifications) {
  const std::vector<std::vector<long>> expected = {
      {WM_COMMAND, kList, CBN_SELCHANGE},
      {WM_COMMAND, kCheck, BN_CLICKED},
      {WM_HSCROLL, TB_THUMBTRACK, 20},  // clamped
      {WM_HSCROLL, TB_THUMBPOSITION, 20},
      {WM_HSCROLL, TB_ENDTRACK, 20},
      {WM_HSCROLL, TB_THUMBPOSITION, 20},  // released without a move
      {WM_HSCROLL, TB_ENDTRACK, 20},
      {WM_HSCROLL, TB_LINEUP, 19},
      {WM_HSCROLL, TB_ENDTRACK, 19},
      {WM_HSCROLL, TB_LINEDOWN, 20},
      {WM_HSCROLL, TB_ENDTRACK, 20},
      {WM_COMMAND, IDCANCEL, BN_CLICKED},
  };
  scripts.expectDialog([](HWND d) {
    EXPECT_TRUE(orv::userSelectItem(d, kList, 1)) << "already selected: no notification";
    EXPECT_TRUE(orv::userSelectItem(d, kList, 0));
    EXPECT_FALSE(orv::userSelectItem(d, kList, 2)) << "no such item";
    EXPECT_TRUE(orv::userClick(d, kCheck));
    EXPECT_TRUE(control(d, kCheck).checked) << "an automatic check box ticks itself";
    EXPECT_FALSE(orv::userClick(d, kDisabled)) << "disabled controls take no input";
    EXPECT_FALSE(orv::userClick(d, kShown)) << "statics are not clicked";
    EXPECT_FALSE(orv::userSelectItem(d, kCheck, 0)) << "a check box is not a list";
    EXPECT_TRUE(orv::userMoveSlider(d, kSlider, 99));
    EXPECT_TRUE(orv::userReleaseSlider(d, kSlider));
    EXPECT_TRUE(orv::userStepSlider(d, kSlider, 19));
    EXPECT_TRUE(orv::userStepSlider(d, kSlider, 25));
    EXPECT_EQ(control(d, kSlider).position, 20);
    EXPECT_TRUE(orv::userCloseDialog(d));
  });
  EXPECT_EQ(run(), IDCANCEL);
  EXPECT_EQ(notifications(), expected);
  // Every notification names its control in lParam.
  for (const Message& m : g_log) {
    if (m.message == WM_HSCROLL) {
      EXPECT_NE(m.lParam, 0);
    }
  }
}

TEST_F(Dialogs, EnterPressesTheDefaultButtonAndEscapeCancels) {
  struct Case {
    bool (*key)(HWND);
    INT_PTR result;
  };
  for (const Case& c : {Case{&orv::userPressEnter, IDOK}, Case{&orv::userPressEscape, IDCANCEL}}) {
    g_log.clear();
    HWND button = nullptr;
    scripts.expectDialog([&](HWND d) {
      button = GetDlgItem(d, static_cast<int>(c.result));
      EXPECT_TRUE(c.key(d));
    });
    EXPECT_EQ(run(), c.result);
    ASSERT_FALSE(g_log.empty());
    const Message& command = g_log[g_log.size() - 2];
    EXPECT_EQ(command.message, WM_COMMAND);
    EXPECT_EQ(command.wParam, MAKEWPARAM(static_cast<WORD>(c.result), BN_CLICKED));
    EXPECT_EQ(reinterpret_cast<HWND>(command.lParam), button);
  }
}

TEST_F(Dialogs, NestedDialogIsOwnedByTheActiveOneWhichIsDisabledMeanwhile) {
  HWND outer = nullptr;
  scripts.expectDialog([&](HWND d) {
    outer = d;
    scripts.expectDialog([&](HWND inner) {
      EXPECT_EQ(GetActiveWindow(), inner);
      EXPECT_FALSE(IsWindowEnabled(outer));
      EXPECT_FALSE(orv::userClick(outer, IDOK)) << "the owner of a modal dialog takes no input";
      orv::userClick(inner, IDOK);
    });
    EXPECT_EQ(run(kTestDialog, GetActiveWindow()), IDOK);
    EXPECT_TRUE(IsWindowEnabled(outer));
    EXPECT_EQ(GetActiveWindow(), outer);
    orv::userClick(outer, IDCANCEL);
  });
  EXPECT_EQ(run(), IDCANCEL);
  ASSERT_EQ(scripts.dialogs().size(), 2u);
  EXPECT_EQ(scripts.dialogs()[0].owner, outer);
  EXPECT_EQ(scripts.dialogs()[1].owner, nullptr);
}

// Opens a nested test dialog from its own initialisation.
INT_PTR ORV_CALL nestingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    DialogBoxParamW(testModule(), MAKEINTRESOURCEW(kTestDialog), window, &testProc, 0);
    return 0;
  }
  return testProc(window, message, wParam, lParam);
}

TEST_F(Dialogs, ScriptsGoToDialogsInTheOrderTheyOpen) {
  HWND outer = nullptr;
  scripts.expectDialog([&](HWND d) {
    outer = d;
    orv::userClick(d, IDCANCEL);
  });
  scripts.expectDialog([&](HWND inner) { orv::userClick(inner, IDOK); });
  EXPECT_EQ(DialogBoxParamW(testModule(), MAKEINTRESOURCEW(kTestDialog), nullptr, &nestingProc, 0), IDCANCEL);
  ASSERT_EQ(scripts.dialogs().size(), 2u);
  EXPECT_EQ(scripts.dialogs()[0].result, IDOK) << "the dialog opened during the first one's initialisation";
  EXPECT_EQ(scripts.dialogs()[1].owner, nullptr);
  EXPECT_EQ(scripts.dialogs()[0].owner, outer);
}

TEST_F(Dialogs, MessageBoxesAreRecordedAndAnsweredWhileTheOwnerIsDisabled) {
  std::optional<bool> ownerEnabled;
  HWND dialog = nullptr;
  scripts.answerMessageBoxes([&](const orv::ScriptedDialogs::MessageBoxRecord& box) {
    ownerEnabled = IsWindowEnabled(box.owner) != FALSE;
    return IDCANCEL;
  });
  scripts.expectDialog([&](HWND d) {
    dialog = d;
    EXPECT_EQ(MessageBoxW(d, u"Text", u"Caption", MB_OKCANCEL | MB_ICONERROR), IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(d));
    EndDialog(d, IDOK);
  });
  run();
  ASSERT_EQ(scripts.messageBoxes().size(), 1u);
  const auto& box = scripts.messageBoxes()[0];
  EXPECT_EQ(box.owner, dialog);
  EXPECT_EQ(box.text, u"Text");
  EXPECT_EQ(box.caption, u"Caption");
  EXPECT_EQ(box.type, MB_OKCANCEL | MB_ICONERROR);
  EXPECT_EQ(ownerEnabled, std::optional<bool>(false));
}

TEST_F(Dialogs, FailsWithMinusOneWhenItCannotOpen) {
  EXPECT_EQ(run(99), -1) << "no such template";
  EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(kTestDialog), nullptr, &testProc, 0), -1) << "other module";
  EXPECT_EQ(DialogBoxParamW(testModule(), u"named", nullptr, &testProc, 0), -1) << "templates have numbers";
  EXPECT_EQ(run(kBadDialog), -1) << "a control class the dialogs do not know";
  EXPECT_EQ(g_log.size(), 0u) << "the procedure never saw a message";
  scripts.expectDialog([](HWND) {});
  EXPECT_EQ(run(), -1) << "a dialog left open by its script";
  EXPECT_EQ(run(), -1) << "a dialog with no script";
  orv::unregisterDialogTemplates(testModule());
  EXPECT_EQ(run(), -1) << "templates withdrawn";
  expectedProblems = 2;
}

}  // namespace

// Without the scripts and without a display no toolkit is started and no
// dialog opens.
TEST(DialogsWithoutDisplay, FailWithMinusOneBeforeTheProcedureSeesAnything) {
  orv::registerDialogTemplates(testModule(), kTemplates);
  const orv_test::NoDisplay noDisplay;
  g_log.clear();
  EXPECT_EQ(DialogBoxParamW(testModule(), MAKEINTRESOURCEW(kTestDialog), nullptr, &testProc, 0), -1);
  EXPECT_EQ(MessageBoxW(nullptr, u"text", u"caption", MB_OK), 0);
  EXPECT_TRUE(g_log.empty());
  orv::unregisterDialogTemplates(testModule());
}
