// Dialog units to pixels, and the style that makes GTK's controls fit
// rectangles drawn for Windows' controls.
#include <sstream>

#include "dialoggtk.h"
#include "platform/textconv.h"

namespace orv::gtk {
namespace {

// Windows' MulDiv: the product rounded to the nearest integer.
int mulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  return static_cast<int>((product >= 0 ? product + denominator / 2 : product - denominator / 2) / denominator);
}

// The template's font, with GTK's sans-serif face and normal weight where it
// names none.
std::string typeface(const DialogTemplate& tmpl) { return orv::utf16ToUtf8(tmpl.typeface ? tmpl.typeface : u"Sans"); }
int weight(const DialogTemplate& tmpl) { return tmpl.weight ? tmpl.weight : 400; }

PangoFontDescription* templateFont(const DialogTemplate& tmpl) {
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, typeface(tmpl).c_str());
  pango_font_description_set_size(font, tmpl.pointSize * PANGO_SCALE);
  pango_font_description_set_weight(font, static_cast<PangoWeight>(weight(tmpl)));
  pango_font_description_set_style(font, tmpl.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return font;
}

}  // namespace

int BaseUnits::pixelsX(int dialogUnits) const { return mulDiv(dialogUnits, x, 4); }
int BaseUnits::pixelsY(int dialogUnits) const { return mulDiv(dialogUnits, y, 8); }

// As Windows measures a dialog font: the average width of the 52 letters,
// rounded, and the height of a line.
BaseUnits measureBaseUnits(GtkWidget* widget, const DialogTemplate& tmpl) {
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  PangoFontDescription* font = templateFont(tmpl);
  pango_layout_set_font_description(layout, font);
  PangoRectangle logical{};
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  pango_font_description_free(font);
  g_object_unref(layout);
  BaseUnits units;
  units.x = (logical.width / 26 + 1) / 2;
  units.y = logical.height;
  return units;
}

// Each edge is converted on its own, so controls that touch in dialog units
// still touch in pixels.
GdkRectangle controlPixels(const BaseUnits& units, const DialogItemTemplate& item, ControlKind kind) {
  GdkRectangle r;
  r.x = units.pixelsX(item.x);
  r.y = units.pixelsY(item.y);
  r.width = units.pixelsX(item.x + item.cx) - r.x;
  // A drop-down list's height in a template is that of its open list; the
  // closed control is one row: a line of text in a sunken edge.
  r.height = kind == ControlKind::dropDownList ? units.y + 8 : units.pixelsY(item.y + item.cy) - r.y;
  return r;
}

std::string dialogCss(const DialogTemplate& tmpl, const std::string& cssClass) {
  const std::string scope = "window." + cssClass;
  std::ostringstream css;
  css << scope << ", " << scope << " * {"
      << " font-family: \"" << typeface(tmpl) << "\";"
      << " font-size: " << tmpl.pointSize << "pt;"
      << " font-weight: " << weight(tmpl) << ";"
      << " font-style: " << (tmpl.italic ? "italic" : "normal") << "; }\n"
      // Adwaita's controls are drawn for touch-sized rows; these are not.
      << scope << " button { min-height: 0; min-width: 0; padding: 0 4px; }\n"
      << scope << " combobox button { padding: 0 2px 0 4px; }\n"
      << scope << " combobox arrow { min-width: 12px; min-height: 12px; }\n"
      << scope << " combobox cellview { padding: 0; margin: 0; }\n"
      << scope << " checkbutton { padding: 0; min-height: 0; }\n"
      << scope << " checkbutton check { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; padding: 0; }\n"
      << scope << " checkbutton label { padding: 0; margin: 0; }\n"
      << scope << " scale { min-height: 0; min-width: 0; padding: 0 6px; margin: 0; }\n"
      << scope << " scale trough { min-height: 4px; margin: 0; }\n"
      << scope << " scale slider { min-width: 10px; min-height: 18px; margin: -8px -5px; }\n"
      << scope << " label { padding: 0; margin: 0; min-height: 0; }\n";
  return css.str();
}

}  // namespace orv::gtk
