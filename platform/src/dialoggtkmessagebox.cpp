// Message boxes: the text beside the icon the type asks for, with OK (and
// Cancel) buttons. GTK shows no icon in a message dialog unless one is set,
// so the box is built here rather than taken from GtkMessageDialog.
#include "dialoggtk.h"

namespace orv::gtk {
namespace {

const char* iconName(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
      return "dialog-error";
    case MB_ICONQUESTION:
      return "dialog-question";
    case MB_ICONWARNING:
      return "dialog-warning";
    case MB_ICONINFORMATION:
      return "dialog-information";
    default:
      return nullptr;
  }
}

}  // namespace

int runMessageBox(GtkWindow* owner, const std::u16string& text, const std::u16string& caption, UINT type) {
  const bool withCancel = (type & MB_TYPEMASK) == MB_OKCANCEL;
  GtkWidget* box = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(box), orv::utf16ToUtf8(caption).c_str());
  gtk_window_set_modal(GTK_WINDOW(box), TRUE);
  gtk_window_set_resizable(GTK_WINDOW(box), FALSE);
  if (owner) gtk_window_set_transient_for(GTK_WINDOW(box), owner);
  gtk_window_set_position(GTK_WINDOW(box), owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);

  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(row), 12);
  if (const char* icon = iconName(type)) {
    GtkWidget* image = gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
  }
  GtkWidget* label = gtk_label_new(orv::utf16ToUtf8(text).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_widget_set_valign(label, GTK_ALIGN_CENTER);
  gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(box))), row, TRUE, TRUE, 0);

  gtk_dialog_add_button(GTK_DIALOG(box), "OK", IDOK);
  if (withCancel) gtk_dialog_add_button(GTK_DIALOG(box), "Cancel", IDCANCEL);
  gtk_dialog_set_default_response(GTK_DIALOG(box), IDOK);
  gtk_widget_show_all(box);
  gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), IDOK));

  const int response = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  // Escape and the close box: Cancel when there is one, otherwise OK.
  if (response == IDOK || response == IDCANCEL) return response;
  return withCancel ? IDCANCEL : IDOK;
}

}  // namespace orv::gtk
