// How NumPy arrays in OpenCV's layout meet the module's frame types.
//
// Arrays hold their rows top-down. The module's RGB subtypes are stored
// bottom-up unless their height is negative, and its grey and Bayer subtypes
// top-down unless it is negative; filters differ in which of these they take.
// For every filter the binding tries the ways of declaring an array, best
// first, and keeps the one under which the filter writes its output rows in
// the array's order, so both arrays are handed over as they are.
#pragma once

#include <string>
#include <vector>

#include "framefilter.h"

namespace corefilters_py {

// H x W, H x W x 3 (B, G, R) and H x W x 4 (B, G, R, 255).
enum class Layout { Plane, BGR, BGRA };

int channelsOf(Layout layout);
// The array layout of frames of `type`; false for subtypes no layout fits.
bool layoutOfType(const FrameTypeInfo& type, Layout& layout);
// "(H, W)", "(H, W, 3)", "(H, W, 4)".
std::string shapeText(Layout layout);

// The types one filter is given for an array, and how the module's picture
// relates to the array's.
struct Declaration {
  FrameTypeInfo in;
  FrameTypeInfo out;
  // The module takes the array's last row for the picture's top row: its
  // "top" and "clockwise" are the array's bottom and counter-clockwise.
  bool flipped = false;
  // The output's memory rows run opposite to the array's rows.
  bool reverseOut = false;
  // The filter offers outputs of more than one layout (DeBayer: BGR or BGRA).
  bool outputChoice = false;
};

// The declarations of an array of `layout`, rows x cols, best first.
std::vector<FrameTypeInfo> candidateInputs(Layout layout, LONG rows, LONG cols);
// Whether the module sees the array of type `in` upside down.
bool seenFlipped(const FrameTypeInfo& in);
// Whether frames of type `out` hold their rows opposite to the array's order.
bool rowsReversed(bool flipped, const FrameTypeInfo& out);
// `type` with its packed buffer size filled in.
FrameTypeInfo packed(FrameTypeInfo type);

// Which layouts a filter takes at all.
std::vector<Layout> acceptedLayouts(IFrameFilter* filter);

// Settles one filter's types for an array: the first declaration it takes
// whose output keeps the array's row order, else the first it takes at all.
// `wantedChannels` picks among several output types (0: the first listed).
bool declareFor(IFrameFilter* filter, Layout layout, LONG rows, LONG cols, int wantedChannels, Declaration& result,
                std::string& error);

}  // namespace corefilters_py
