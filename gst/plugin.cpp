// The plug-in's entry: loads the module and registers one element per filter.
#include "filterelement.h"
#include "modulehandle.h"
#include "pixrt/filtermodule.h"

#include <gst/gst.h>

#include <string>

namespace {

gboolean pluginInit(GstPlugin* plugin) {
  // The registry cache is remade when the module file or the variable that
  // names another one changes, since the elements come from the module.
  gst_plugin_add_dependency_simple(plugin, orvgst::kModuleEnvVar, Pixlib::libraryDirectory().c_str(),
                                   orvgst::kModuleFileName, GST_PLUGIN_DEPENDENCY_FLAG_NONE);

  std::string error;
  IFilterFactory* factory = orvgst::moduleFactory(error);
  if (!factory) {
    GST_WARNING("orvfilters: no elements: %s", error.c_str());
    g_printerr("orvfilters: no elements: %s\n", error.c_str());
    return FALSE;
  }
  return orvgst::registerFilterElements(plugin, factory);
}

}  // namespace

#define PACKAGE "orvfilters"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, orvfilters,
                  "Camera frame filters: demosaicing, turns and mirrors, regions, frame averaging", pluginInit, "0.1",
                  "Proprietary", "orvfilters", "https://localhost/orvfilters")
