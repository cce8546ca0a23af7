// Modal dialogs built from a module's dialog templates, their controls and
// message boxes, under the Windows names and message values. Dialog code
// written against these runs unchanged on a real toolkit window or on the
// scripted dialogs of the tests (platform/dialoginput.h).
#pragma once

#include <cstdint>
#include <span>

#include "platform/wintypes.h"

using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPCWSTR = const WCHAR*;

// A dialog procedure: answers nonzero when it handled the message.
using DLGPROC = INT_PTR(ORV_CALL*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- messages ----
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_USER = 0x0400;

// Push buttons and check boxes.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WORD BN_CLICKED = 0;

// Drop-down lists.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;

// Sliders (trackbars).
constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
// WM_HSCROLL notification codes (low word of wParam).
constexpr WORD TB_LINEUP = 0;
constexpr WORD TB_LINEDOWN = 1;
constexpr WORD TB_PAGEUP = 2;
constexpr WORD TB_PAGEDOWN = 3;
constexpr WORD TB_THUMBPOSITION = 4;
constexpr WORD TB_THUMBTRACK = 5;
constexpr WORD TB_TOP = 6;
constexpr WORD TB_BOTTOM = 7;
constexpr WORD TB_ENDTRACK = 8;

// Dialog results and the standard command ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Message boxes.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;

// Window data slots.
constexpr int GWLP_USERDATA = -21;

// ---- window and control styles, as the templates carry them ----
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD TBS_HORZ = 0x0;
constexpr DWORD TBS_BOTH = 0x8;
constexpr DWORD TBS_NOTICKS = 0x10;

// ---- packing helpers ----
constexpr WORD LOWORD(UINT_PTR value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(UINT_PTR value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16); }
// A resource named by number rather than by text.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) { return reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(id)); }
inline bool IS_INTRESOURCE(LPCWSTR name) { return (reinterpret_cast<UINT_PTR>(name) >> 16) == 0; }

// ---- dialog templates ----

// One control of a template. Coordinates are dialog units.
struct DialogItemTemplate {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  int id;                 // -1 for labels that never change
  LPCWSTR className;      // "Button", "ComboBox", "Static", "msctls_trackbar32"
  LPCWSTR text;
};

// An extended dialog template: the window, its font and its controls in
// template order, which is also the tab order.
struct DialogTemplate {
  WORD id;
  WORD languageId;
  DWORD style;
  DWORD exStyle;
  LPCWSTR caption;
  short x, y, cx, cy;
  LPCWSTR typeface;
  WORD pointSize;
  WORD weight;
  BYTE italic;
  BYTE charset;
  std::span<const DialogItemTemplate> items;
};

namespace orv {
// Makes `templates` findable by DialogBoxParamW(module, MAKEINTRESOURCEW(id),
// ...). The tables must stay valid until unregisterDialogTemplates(module);
// a module registers its own when it is loaded and withdraws them when it is
// unloaded.
ORV_PLATFORM_API void registerDialogTemplates(HINSTANCE module, std::span<const DialogTemplate> templates);
ORV_PLATFORM_API void unregisterDialogTemplates(HINSTANCE module);
// The template registered under (module, id), or null.
ORV_PLATFORM_API const DialogTemplate* findDialogTemplate(HINSTANCE module, WORD id);
}  // namespace orv

// ---- the Windows operations ----

// Runs the dialog `templateName` of `module` modally, owned by `owner`, with
// `proc` receiving `initParam` in WM_INITDIALOG. Returns the value handed to
// EndDialog, or -1 when the dialog cannot be shown: no such template, no
// display, a toolkit that cannot start, a call from a thread other than the
// one the toolkit runs on.
ORV_SYSTEM_API INT_PTR DialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                       LPARAM initParam);
ORV_SYSTEM_API BOOL EndDialog(HWND dialog, INT_PTR result);
ORV_SYSTEM_API HWND GetDlgItem(HWND dialog, int id);
ORV_SYSTEM_API LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ORV_SYSTEM_API BOOL SetWindowTextW(HWND window, LPCWSTR text);
// Returns nonzero when the window was disabled before the call.
ORV_SYSTEM_API BOOL EnableWindow(HWND window, BOOL enable);
ORV_SYSTEM_API BOOL IsWindowEnabled(HWND window);
ORV_SYSTEM_API int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// The innermost dialog running on the calling thread, or null.
ORV_SYSTEM_API HWND GetActiveWindow();
// GWLP_USERDATA only; both return the previous / current value, 0 otherwise.
ORV_SYSTEM_API LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
ORV_SYSTEM_API LONG_PTR GetWindowLongPtrW(HWND window, int index);
