// The GTK widget behind each kind of control: showing the model's state
// without a notification, and reporting the user's changes as input.
#include <cmath>

#include "dialoggtk.h"

namespace orv::gtk {
namespace {

// Shows the model's state again after the model refused the user's change.
void resync(ControlView& view) {
  ControlState state;
  if (readControl(view.dialog->hwnd, view.state.id, state)) showControlState(view, state);
}

bool applying(const ControlView& view) { return view.dialog->applying > 0; }

void onButtonClicked(GtkButton*, gpointer data) {
  auto& view = *static_cast<ControlView*>(data);
  if (applying(view)) return;
  if (!userClick(view.dialog->hwnd, view.state.id)) resync(view);
}

void onToggled(GtkToggleButton* button, gpointer data) {
  auto& view = *static_cast<ControlView*>(data);
  if (applying(view)) return;
  view.state.checked = gtk_toggle_button_get_active(button);
  if (!userClick(view.dialog->hwnd, view.state.id)) resync(view);
}

void onComboChanged(GtkComboBox* combo, gpointer data) {
  auto& view = *static_cast<ControlView*>(data);
  if (applying(view)) return;
  const int index = gtk_combo_box_get_active(combo);
  if (index < 0) return;
  view.state.selection = index;
  if (!userSelectItem(view.dialog->hwnd, view.state.id, index)) resync(view);
}

void onSliderValue(GtkRange* range, gpointer data) {
  auto& view = *static_cast<ControlView*>(data);
  if (applying(view)) return;
  const int position = static_cast<int>(std::lround(gtk_range_get_value(range)));
  if (position == view.state.position) return;
  view.state.position = position;
  const bool taken = view.pointerDown ? userTrackSlider(view.dialog->hwnd, view.state.id, position)
                                      : userStepSlider(view.dialog->hwnd, view.state.id, position);
  if (!taken) resync(view);
}

gboolean onSliderPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  if (event->button == GDK_BUTTON_PRIMARY) static_cast<ControlView*>(data)->pointerDown = true;
  return FALSE;
}

// Letting go of the thumb ends the tracking, moved or not.
gboolean onSliderRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto& view = *static_cast<ControlView*>(data);
  if (event->button == GDK_BUTTON_PRIMARY && view.pointerDown) {
    view.pointerDown = false;
    userReleaseSlider(view.dialog->hwnd, view.state.id);
  }
  return FALSE;
}

void setText(GtkWidget* widget, ControlKind kind, const std::u16string& text) {
  const std::string utf8 = orv::utf16ToUtf8(text);
  if (kind == ControlKind::text)
    gtk_label_set_text(GTK_LABEL(widget), utf8.c_str());
  else if (kind == ControlKind::pushButton || kind == ControlKind::checkBox)
    gtk_button_set_label(GTK_BUTTON(widget), utf8.c_str());
}

void showItems(GtkWidget* widget, const ControlState& state) {
  GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(widget);
  gtk_combo_box_text_remove_all(combo);
  for (const std::u16string& item : state.items) gtk_combo_box_text_append_text(combo, orv::utf16ToUtf8(item).c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(widget), state.selection);
}

// GTK wants lower <= upper; a trackbar keeps whatever it was told.
void showRange(GtkWidget* widget, const ControlState& state) {
  const double lower = state.rangeMin;
  const double upper = std::max(state.rangeMin, state.rangeMax);
  gtk_range_set_range(GTK_RANGE(widget), lower, upper);
  // Windows pages by a fifth of the range; arrows by one.
  gtk_range_set_increments(GTK_RANGE(widget), 1, std::max(1.0, (upper - lower) / 5));
  gtk_range_set_value(GTK_RANGE(widget), state.position);
}

}  // namespace

GtkWidget* createControlWidget(ControlView& view, const DialogItemTemplate& item) {
  const ControlState& s = view.state;
  const std::string text = orv::utf16ToUtf8(s.text);
  GtkWidget* w = nullptr;
  switch (s.kind) {
    case ControlKind::pushButton:
      w = gtk_button_new_with_label(text.c_str());
      g_signal_connect(w, "clicked", G_CALLBACK(onButtonClicked), &view);
      break;
    case ControlKind::checkBox:
      w = gtk_check_button_new_with_label(text.c_str());
      g_signal_connect(w, "toggled", G_CALLBACK(onToggled), &view);
      break;
    case ControlKind::dropDownList:
      w = gtk_combo_box_text_new();
      g_signal_connect(w, "changed", G_CALLBACK(onComboChanged), &view);
      break;
    case ControlKind::slider:
      w = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
      gtk_scale_set_draw_value(GTK_SCALE(w), FALSE);
      gtk_scale_set_has_origin(GTK_SCALE(w), FALSE);
      gtk_range_set_round_digits(GTK_RANGE(w), 0);
      g_signal_connect(w, "value-changed", G_CALLBACK(onSliderValue), &view);
      g_signal_connect(w, "button-press-event", G_CALLBACK(onSliderPress), &view);
      g_signal_connect(w, "button-release-event", G_CALLBACK(onSliderRelease), &view);
      break;
    case ControlKind::text:
      w = gtk_label_new(text.c_str());
      gtk_label_set_xalign(GTK_LABEL(w), s.centered ? 0.5f : 0.0f);
      gtk_label_set_yalign(GTK_LABEL(w), 0.0f);
      break;
  }
  gtk_widget_set_can_focus(w, (item.style & WS_TABSTOP) != 0);
  gtk_widget_set_sensitive(w, s.enabled);
  if (!(item.style & WS_VISIBLE)) gtk_widget_set_no_show_all(w, TRUE);
  return w;
}

void showControlState(ControlView& view, const ControlState& state) {
  ++view.dialog->applying;
  GtkWidget* w = view.widget;
  if (state.text != view.state.text) setText(w, state.kind, state.text);
  if (state.enabled != view.state.enabled) gtk_widget_set_sensitive(w, state.enabled);
  if (state.kind == ControlKind::checkBox) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), state.checked);
  if (state.kind == ControlKind::dropDownList) {
    if (state.items != view.state.items)
      showItems(w, state);
    else
      gtk_combo_box_set_active(GTK_COMBO_BOX(w), state.selection);
  }
  if (state.kind == ControlKind::slider) showRange(w, state);
  view.state = state;
  --view.dialog->applying;
}

ControlView* controlOfWidget(DialogView& dialog, GtkWidget* widget) {
  for (; widget; widget = gtk_widget_get_parent(widget))
    for (auto& c : dialog.controls)
      if (c->widget == widget) return c.get();
  return nullptr;
}

namespace {
bool canTakeFocus(const ControlView& c) {
  return c.tabStop && gtk_widget_get_visible(c.widget) && gtk_widget_is_sensitive(c.widget);
}
}  // namespace

void moveFocus(DialogView& dialog, bool backwards) {
  const std::size_t n = dialog.controls.size();
  if (n == 0) return;
  ControlView* current = controlOfWidget(dialog, gtk_window_get_focus(GTK_WINDOW(dialog.window)));
  std::size_t i = current ? current->index : (backwards ? 0 : n - 1);
  for (std::size_t step = 0; step < n; ++step) {
    i = backwards ? (i + n - 1) % n : (i + 1) % n;
    if (canTakeFocus(*dialog.controls[i])) {
      gtk_widget_grab_focus(dialog.controls[i]->widget);
      return;
    }
  }
}

void focusFirstTabStop(DialogView& dialog) {
  for (auto& c : dialog.controls)
    if (canTakeFocus(*c)) {
      gtk_widget_grab_focus(c->widget);
      return;
    }
}

}  // namespace orv::gtk
