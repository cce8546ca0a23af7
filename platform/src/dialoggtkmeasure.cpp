// Where a dialog's controls are on the screen, and whether each text fits
// the room its control gives it, measured with Pango in the control's font.
#include "dialoggtk.h"

#include <gdk/gdkx.h>

namespace orv::gtk {
namespace {

struct Search {
  GType type;
  GtkWidget* found;
};

void searchChild(GtkWidget* widget, gpointer data);

// Internal children included: a combo box keeps its cell view inside its
// button.
GtkWidget* findChild(GtkWidget* widget, GType type) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  Search search{type, nullptr};
  gtk_container_forall(GTK_CONTAINER(widget), &searchChild, &search);
  return search.found;
}

void searchChild(GtkWidget* widget, gpointer data) {
  auto* search = static_cast<Search*>(data);
  if (!search->found) search->found = findChild(widget, search->type);
}

// A widget's allocation in the coordinates of the dialog's client area.
GdkRectangle inClientArea(DialogView& dialog, GtkWidget* widget) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  int x = 0, y = 0;
  gtk_widget_translate_coordinates(widget, dialog.fixed, 0, 0, &x, &y);
  return {x, y, a.width, a.height};
}

GdkRectangle intersect(const GdkRectangle& a, const GdkRectangle& b) {
  GdkRectangle r{};
  if (!gdk_rectangle_intersect(&a, &b, &r)) return {0, 0, 0, 0};
  return r;
}

TextFit measure(GtkWidget* fontWidget, int id, const std::u16string& text, const GdkRectangle& room, int padX,
                int padY) {
  PangoLayout* layout = gtk_widget_create_pango_layout(fontWidget, orv::utf16ToUtf8(text).c_str());
  PangoRectangle logical{};
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  TextFit fit;
  fit.id = id;
  fit.text = text;
  fit.neededWidth = logical.width + 2 * padX;
  fit.neededHeight = logical.height + 2 * padY;
  fit.roomWidth = room.width;
  fit.roomHeight = room.height;
  return fit;
}

}  // namespace

bool placeDialog(DialogView& dialog, DialogPlacement& out) {
  GdkWindow* window = gtk_widget_get_window(dialog.window);
  if (!window) return false;
  int originX = 0, originY = 0;
  gdk_window_get_origin(gtk_widget_get_window(dialog.fixed), &originX, &originY);
  GtkAllocation client;
  gtk_widget_get_allocation(dialog.fixed, &client);
  out = {};
#ifdef GDK_WINDOWING_X11
  if (GDK_IS_X11_WINDOW(window)) out.nativeWindow = gdk_x11_window_get_xid(window);
#endif
  out.client = {originX + client.x, originY + client.y, originX + client.x + client.width,
                originY + client.y + client.height};
  out.baseUnitX = dialog.units.x;
  out.baseUnitY = dialog.units.y;
  for (auto& c : dialog.controls) {
    const GdkRectangle r = inClientArea(dialog, c->widget);
    const LONG left = out.client.left + r.x, top = out.client.top + r.y;
    out.controls.push_back({c->state.id, {left, top, left + r.width, top + r.height}});
  }
  return true;
}

// A text has room where its label (or a list's cell view) was laid out,
// inside the control's own rectangle: a control that GTK had to make larger
// than its rectangle to hold its text has overflowed it.
bool measureTexts(DialogView& dialog, std::vector<TextFit>& out) {
  out.clear();
  for (auto& c : dialog.controls) {
    const ControlState& s = c->state;
    if (s.kind == ControlKind::slider) continue;
    if (s.kind == ControlKind::dropDownList) {
      GtkWidget* cell = findChild(c->widget, GTK_TYPE_CELL_VIEW);
      if (!cell) return false;
      const GdkRectangle room = intersect(inClientArea(dialog, cell), c->rect);
      // The combo's text renderer pads its text by 2 pixels on every side.
      for (const std::u16string& item : s.items) out.push_back(measure(cell, s.id, item, room, 2, 2));
      continue;
    }
    GtkWidget* label = findChild(c->widget, GTK_TYPE_LABEL);
    if (!label) return false;
    const GdkRectangle room = intersect(inClientArea(dialog, label), c->rect);
    out.push_back(measure(label, s.id, s.text, room, 0, 0));
  }
  return true;
}

}  // namespace orv::gtk
