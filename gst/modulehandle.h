// Finding and loading the filter module the elements wrap.
#pragma once

#include <string>

#include "filterfactory.h"

namespace orvgst {

// Names another module file than the one installed beside libpixrt.
inline constexpr const char* kModuleEnvVar = "ORV_FILTER_MODULE";
inline constexpr const char* kModuleFileName = "corefilterssd.ftf";

// The file the environment variable names, or the module beside libpixrt:
// in the build tree the one the same build made, once installed the
// installed one.
std::string modulePath();

// The module's factory, loaded on the first call and kept for the life of
// the process (a GStreamer plug-in is never unloaded); null with `error`
// set when the module cannot be loaded.
IFilterFactory* moduleFactory(std::string& error);

}  // namespace orvgst
