// The GTK renderer and the library's one export. GTK is started on first use,
// from the thread that will own it; calls from any other thread are refused.
#include "dialoggtk.h"

#include <gdk/gdkx.h>

#include <mutex>
#include <thread>

#include "platform/display.h"

namespace orv::gtk {
namespace {

gboolean onKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
  auto& dialog = *static_cast<DialogView*>(data);
  switch (event->keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
      // GtkFixed would tab in screen order; dialogs tab in template order.
      moveFocus(dialog, event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK));
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
      // A focused push button takes Enter itself; anywhere else it presses
      // the default button.
      ControlView* focused = controlOfWidget(dialog, gtk_window_get_focus(GTK_WINDOW(window)));
      if (focused && focused->state.kind == ControlKind::pushButton) return FALSE;
      userPressEnter(dialog.hwnd);
      return TRUE;
    }
    case GDK_KEY_Escape:
      userPressEscape(dialog.hwnd);
      return TRUE;
    default:
      return FALSE;
  }
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
  userCloseDialog(static_cast<DialogView*>(data)->hwnd);
  return TRUE;  // the dialog goes when its procedure ends it
}

// Bits per pixel of the screen: the pixel size X stores the default visual's
// depth in (24-bit colour is kept in 32-bit pixels), as a Windows screen
// reports it.
int screenBits() {
  GdkScreen* screen = gdk_screen_get_default();
  GdkVisual* visual = screen ? gdk_screen_get_system_visual(screen) : nullptr;
  if (!visual) return 32;
  const int depth = gdk_visual_get_depth(visual);
#ifdef GDK_WINDOWING_X11
  if (GDK_IS_X11_DISPLAY(gdk_screen_get_display(screen))) {
    Display* x = GDK_DISPLAY_XDISPLAY(gdk_screen_get_display(screen));
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(x, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i)
      if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    if (formats) XFree(formats);
    if (bits) return bits;
  }
#endif
  return depth == 24 ? 32 : depth;
}

class GtkRenderer : public dialog::Renderer {
 public:
  explicit GtkRenderer(const dialog::RendererHost& host) : m_host(host) {}

  bool create(HWND hwnd, const DialogTemplate& tmpl, const DialogState& state) override {
    auto view = std::make_unique<DialogView>();
    DialogView& d = *view;
    d.hwnd = hwnd;
    d.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    const std::string cssClass = "orv-dialog-" + std::to_string(++m_serial);
    d.css = gtk_css_provider_new();
    if (!gtk_css_provider_load_from_data(d.css, dialogCss(tmpl, cssClass).c_str(), -1, nullptr)) {
      g_object_unref(d.css);
      gtk_widget_destroy(d.window);
      return false;
    }
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(d.window), GTK_STYLE_PROVIDER(d.css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_style_context_add_class(gtk_widget_get_style_context(d.window), cssClass.c_str());

    gtk_window_set_title(GTK_WINDOW(d.window), orv::utf16ToUtf8(state.caption).c_str());
    gtk_window_set_modal(GTK_WINDOW(d.window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(d.window), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(d.window), GDK_WINDOW_TYPE_HINT_DIALOG);
    GtkWindow* owner = windowOf(state.owner);
    if (owner) gtk_window_set_transient_for(GTK_WINDOW(d.window), owner);
    gtk_window_set_position(GTK_WINDOW(d.window), owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);

    d.units = measureBaseUnits(d.window, tmpl);
    d.fixed = gtk_fixed_new();
    gtk_widget_set_size_request(d.fixed, d.units.pixelsX(tmpl.cx), d.units.pixelsY(tmpl.cy));
    gtk_container_add(GTK_CONTAINER(d.window), d.fixed);

    for (std::size_t i = 0; i < tmpl.items.size(); ++i) {
      auto c = std::make_unique<ControlView>();
      c->dialog = &d;
      c->index = i;
      c->state = state.controls[i];
      c->tabStop = (tmpl.items[i].style & WS_TABSTOP) != 0;
      c->rect = controlPixels(d.units, tmpl.items[i], c->state.kind);
      c->widget = createControlWidget(*c, tmpl.items[i]);
      gtk_widget_set_size_request(c->widget, c->rect.width, c->rect.height);
      gtk_fixed_put(GTK_FIXED(d.fixed), c->widget, c->rect.x, c->rect.y);
      if (c->state.defaultButton) {
        gtk_widget_set_can_default(c->widget, TRUE);
        gtk_window_set_default(GTK_WINDOW(d.window), c->widget);
      }
      d.controls.push_back(std::move(c));
    }
    for (auto& c : d.controls) showControlState(*c, c->state);
    g_signal_connect(d.window, "key-press-event", G_CALLBACK(onKeyPress), &d);
    g_signal_connect(d.window, "delete-event", G_CALLBACK(onDelete), &d);
    m_views[hwnd] = std::move(view);
    return true;
  }

  void run(HWND hwnd) override {
    DialogView* d = find(hwnd);
    if (!d || d->ended) return;
    gtk_widget_show_all(d->window);
    gtk_window_present(GTK_WINDOW(d->window));
    // Focus is given once the window is on the screen; before that GTK
    // forgets it.
    focusFirstTabStop(*d);
    // Announced once laid out and drawn: redraws run at a higher priority
    // than this idle callback.
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, &GtkRenderer::announceShown, new ShownCall{this, hwnd}, nullptr);
    d->loop = g_main_loop_new(nullptr, FALSE);
    if (!d->ended) g_main_loop_run(d->loop);
    g_main_loop_unref(d->loop);
    d->loop = nullptr;
  }

  void end(HWND hwnd) override {
    DialogView* d = find(hwnd);
    if (!d) return;
    d->ended = true;
    if (d->loop) g_main_loop_quit(d->loop);
  }

  void destroy(HWND hwnd) override {
    const auto it = m_views.find(hwnd);
    if (it == m_views.end()) return;
    DialogView& d = *it->second;
    gtk_style_context_remove_provider_for_screen(gtk_widget_get_screen(d.window), GTK_STYLE_PROVIDER(d.css));
    g_object_unref(d.css);
    gtk_widget_destroy(d.window);
    m_views.erase(it);
    // Let the window leave the screen before the caller goes on.
    while (gtk_events_pending()) gtk_main_iteration();
  }

  void controlChanged(HWND hwnd, std::size_t index, const ControlState& state) override {
    DialogView* d = find(hwnd);
    if (d && index < d->controls.size()) showControlState(*d->controls[index], state);
  }

  void captionChanged(HWND hwnd, const std::u16string& caption) override {
    if (DialogView* d = find(hwnd)) gtk_window_set_title(GTK_WINDOW(d->window), orv::utf16ToUtf8(caption).c_str());
  }

  int messageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) override {
    return runMessageBox(windowOf(owner), text, caption, type);
  }

  bool place(HWND hwnd, DialogPlacement& out) override {
    DialogView* d = find(hwnd);
    return d && placeDialog(*d, out);
  }

  bool measureTexts(HWND hwnd, std::vector<TextFit>& out) override {
    DialogView* d = find(hwnd);
    return d && gtk::measureTexts(*d, out);
  }

 private:
  struct ShownCall {
    GtkRenderer* renderer;
    HWND hwnd;
  };

  static gboolean announceShown(gpointer data) {
    std::unique_ptr<ShownCall> call(static_cast<ShownCall*>(data));
    DialogView* d = call->renderer->find(call->hwnd);
    if (d && !d->ended) call->renderer->m_host.dialogShown(call->hwnd);
    return G_SOURCE_REMOVE;
  }

  DialogView* find(HWND hwnd) {
    const auto it = m_views.find(hwnd);
    return it == m_views.end() ? nullptr : it->second.get();
  }

  GtkWindow* windowOf(HWND hwnd) {
    DialogView* d = hwnd ? find(hwnd) : nullptr;
    return d ? GTK_WINDOW(d->window) : nullptr;
  }

  dialog::RendererHost m_host;
  std::map<HWND, std::unique_ptr<DialogView>> m_views;
  unsigned m_serial = 0;
};

}  // namespace
}  // namespace orv::gtk

extern "C" ORV_EXPORT orv::dialog::Renderer* orvToolkitDialogRenderer(const orv::dialog::RendererHost* host) {
  static std::mutex mutex;
  static orv::gtk::GtkRenderer* renderer = nullptr;
  static std::thread::id owner;
  std::lock_guard<std::mutex> guard(mutex);
  if (renderer) return std::this_thread::get_id() == owner ? renderer : nullptr;
  if (!host) return nullptr;
  // GTK would otherwise set the host's locale from the environment.
  static std::once_flag localeOnce;
  std::call_once(localeOnce, [] { gtk_disable_setlocale(); });
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  renderer = new orv::gtk::GtkRenderer(*host);  // lives as long as GTK: for the process
  owner = std::this_thread::get_id();
  orv::setScreenBitsPerPixel(orv::gtk::screenBits());
  return renderer;
}
