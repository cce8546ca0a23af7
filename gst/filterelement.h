// One GStreamer element per filter of the module: a GstBaseTransform that
// negotiates through the filter, streams frames through it and shows its
// parameters as properties.
#pragma once

#include "filterfactory.h"

#include <gst/gst.h>

#include <string>

namespace orvgst {

// Registers an element for every filter the factory lists; false when none.
gboolean registerFilterElements(GstPlugin* plugin, IFilterFactory* factory);

// Without a module: an element for every filter of the host-side table that
// takes its properties but fails to start, saying `reason`.
gboolean registerStandInElements(GstPlugin* plugin, const std::string& reason);

}  // namespace orvgst
