// One GStreamer element per filter of the module: a GstBaseTransform that
// negotiates through the filter, streams frames through it and shows its
// parameters as properties.
#pragma once

#include "filterfactory.h"

#include <gst/gst.h>

namespace orvgst {

// Registers an element for every filter the factory lists; false when none.
gboolean registerFilterElements(GstPlugin* plugin, IFilterFactory* factory);

}  // namespace orvgst
