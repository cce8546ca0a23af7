// The GTK 3 dialog renderer: one modal GtkWindow per dialog with its
// controls at absolute positions (GtkFixed), converted from dialog units
// with the base units of the template's font.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// Before GTK: glib defines TRUE and FALSE as macros, which would break the
// platform's constants of those names.
#include "dialogrenderer.h"
#include "platform/textconv.h"

#include <gtk/gtk.h>

namespace orv::gtk {

// Dialog base units: the average character width and the height of the
// dialog's font, in pixels.
struct BaseUnits {
  int x = 0;
  int y = 0;
  int pixelsX(int dialogUnits) const;
  int pixelsY(int dialogUnits) const;
};

struct DialogView;

struct ControlView {
  DialogView* dialog = nullptr;
  std::size_t index = 0;
  ControlState state;      // as last shown
  GtkWidget* widget = nullptr;
  GdkRectangle rect{};     // pixels, in the client area
  bool tabStop = false;
  bool pointerDown = false;  // sliders: the user holds the thumb
};

struct DialogView {
  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* fixed = nullptr;
  GtkCssProvider* css = nullptr;
  BaseUnits units;
  GMainLoop* loop = nullptr;
  bool ended = false;
  int applying = 0;  // > 0 while the model's changes are shown: no notifications
  std::vector<std::unique_ptr<ControlView>> controls;
};

// Layout (dialoggtklayout.cpp).
BaseUnits measureBaseUnits(GtkWidget* widget, const DialogTemplate& tmpl);
GdkRectangle controlPixels(const BaseUnits& units, const DialogItemTemplate& item, ControlKind kind);
// The compact style of the dialog's controls and its font, scoped to `cssClass`.
std::string dialogCss(const DialogTemplate& tmpl, const std::string& cssClass);

// Controls (dialoggtkcontrols.cpp).
GtkWidget* createControlWidget(ControlView& view, const DialogItemTemplate& item);
void showControlState(ControlView& view, const ControlState& state);
// Moves keyboard focus to the next (or previous) tab stop in template order.
void moveFocus(DialogView& dialog, bool backwards);
ControlView* controlOfWidget(DialogView& dialog, GtkWidget* widget);
void focusFirstTabStop(DialogView& dialog);

// Message boxes (dialoggtkmessagebox.cpp).
int runMessageBox(GtkWindow* owner, const std::u16string& text, const std::u16string& caption, UINT type);

// Placement and text measurement (dialoggtkmeasure.cpp).
bool placeDialog(DialogView& dialog, DialogPlacement& out);
bool measureTexts(DialogView& dialog, std::vector<TextFit>& out);


}  // namespace orv::gtk
