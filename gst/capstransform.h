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
  // GStreamer stores rows top-down. How a filter is told so, the way that
  // needs no copy:
  enum class Heights {
    // A subtype the module stores bottom-up gets a negative height.
    NegativeForBottomUp,
    // Every input gets a negative height: the filter writes its output rows
    // in its source's memory order, whatever that is declared to be.
    NegativeInput,
    // Only positive heights: a region's rows are counted from the bottom.
    Positive,
  };
  Heights heights = Heights::NegativeForBottomUp;
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

}  // namespace orvgst
