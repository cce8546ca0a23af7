// The plug-in's entry: loads the module and registers one element per filter.
#include "filterelement.h"
#include "modulehandle.h"
#include "pixrt/filtermodule.h"

#include <gst/gst.h>

#include <string>

namespace {

gboolean pluginInit(GstPlugin* plugin) {
  // The registry cache is remade when the module changes, since the elements
  // come from it: the module beside libpixrt, the variable that names another
  // one, and the file the variable names (no file names: the path itself).
  gst_plugin_add_dependency_simple(plugin, nullptr, Pixlib::libraryDirectory().c_str(), orvgst::kModuleFileName,
                                   GST_PLUGIN_DEPENDENCY_FLAG_NONE);
  gst_plugin_add_dependency_simple(plugin, orvgst::kModuleEnvVar, nullptr, nullptr, GST_PLUGIN_DEPENDENCY_FLAG_NONE);

  std::string error;
  if (IFilterFactory* factory = orvgst::moduleFactory(error)) return orvgst::registerFilterElements(plugin, factory);
  // The plug-in still loads: a plug-in that fails here is blacklisted in the
  // registry cache until its own file changes, however the module changes.
  // Its elements stand in and say why when a pipeline starts them.
  GST_WARNING("orvfilters: %s; the elements fail to start", error.c_str());
  g_printerr("orvfilters: %s; the elements fail to start\n", error.c_str());
  return orvgst::registerStandInElements(plugin, error);
}

}  // namespace

#define PACKAGE "orvfilters"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, orvfilters,
                  "Camera frame filters: demosaicing, turns and mirrors, regions, frame averaging", pluginInit, "0.1",
                  "Proprietary", "orvfilters", "https://localhost/orvfilters")
