// Caps through the module's own negotiation: what a filter takes and gives,
// in GStreamer's formats.
#pragma once

#include "framefilter.h"

#include <gst/gst.h>

#include <vector>

namespace orvgst {

// How an element declares GStreamer's frames to its filter, and how it
// changes the frame rate.
struct CapsPolicy {
  // GStreamer stores rows top-down. For a subtype the module stores
  // bottom-up, a negative height says so, unless the filter takes only
  // positive heights (it then counts its region rows from the bottom).
  bool negativeHeightForBottomUp = true;
  // Input frames per output frame: the output rate is the input's divided.
  int framesPerOutput = 1;
};

// The height to declare for `rows` rows of `subtype` in GStreamer's order.
LONG declaredHeight(const CapsPolicy& policy, const GUID& subtype, int rows);

// The caps on the other side of `caps` (direction: the pad `caps` belong to).
GstCaps* transformCaps(IFrameFilter* filter, const CapsPolicy& policy, GstPadDirection direction,
                       const GstCaps* caps);

// The pad templates' caps: every input type and every output type, any size.
GstCaps* sinkTemplateCaps(IFrameFilter* filter);
GstCaps* srcTemplateCaps(IFrameFilter* filter);

// The filter's output types for `in` (empty when it gives none).
std::vector<FrameTypeInfo> outputTypesOf(IFrameFilter* filter, const FrameTypeInfo& in);

}  // namespace orvgst
