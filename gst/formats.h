// How the module's frame types meet GStreamer's caps: which GStreamer format
// each subtype is, how GStreamer lays out a frame's rows, and which Bayer
// caps pattern is which start pattern.
#pragma once

// The project's headers come before GLib's, whose TRUE and FALSE are macros.
#include "frametype.h"

#include <gst/gst.h>

#include <optional>

namespace orvgst {

// The GStreamer formats of one subtype, appended to `caps` with the given
// width, height and frame-rate fields (copied; null leaves a field out).
// With `onlyFormat`, that one of the subtype's formats.
void appendCapsOf(GstCaps* caps, const GUID& subtype, const GValue* width, const GValue* height,
                  const GValue* framerate, const char* onlyFormat = nullptr);

// The subtype of one caps structure, or GUID_NULL for a format the module
// has no subtype for.
GUID subtypeOf(const GstStructure* s);

// The start pattern a Bayer caps pattern ("rggb", ...) stands for: the
// pattern counts rows in memory order and names the second row first.
std::optional<int> startPatternOf(const char* bayerFormat);

// One negotiated frame as GStreamer lays it out.
struct GstFrameLayout {
  GUID subtype = GUID_NULL;
  int width = 0, height = 0;
  gsize stride = 0;        // bytes from one row to the next in GStreamer's buffers
  gsize packedStride = 0;  // bytes of one row in the module's packed layout
  gsize size = 0;          // bytes of a GStreamer frame
  std::optional<int> bayerPattern;  // start pattern, for Bayer caps
  bool packed() const { return stride == packedStride; }
};

// The layout of fixed caps; empty for caps the module has no subtype for.
std::optional<GstFrameLayout> layoutOf(const GstCaps* caps);

}  // namespace orvgst
