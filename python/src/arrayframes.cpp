#include "arrayframes.h"

#include "pixrt/filterchain.h"
#include "pixrt/typelists.h"

namespace corefilters_py {
namespace {

// Grey and Bayer planes: grey first, so a filter taking both treats the plane
// as the grey it is told; DeBayer takes either as a mosaic.
std::vector<GUID> subtypesOf(Layout layout) {
  switch (layout) {
    case Layout::Plane:
      return {MEDIASUBTYPE_Y800, MEDIASUBTYPE_BY8};
    case Layout::BGR:
      return {MEDIASUBTYPE_RGB24};
    case Layout::BGRA:
      return {MEDIASUBTYPE_RGB32};
  }
  return {};
}

}  // namespace

int channelsOf(Layout layout) { return layout == Layout::Plane ? 1 : layout == Layout::BGR ? 3 : 4; }

bool layoutOfType(const FrameTypeInfo& type, Layout& layout) {
  if (type.subtype == MEDIASUBTYPE_Y800 || type.subtype == MEDIASUBTYPE_BY8 || type.subtype == MEDIASUBTYPE_RGB8)
    layout = Layout::Plane;
  else if (type.subtype == MEDIASUBTYPE_RGB24)
    layout = Layout::BGR;
  else if (type.subtype == MEDIASUBTYPE_RGB32)
    layout = Layout::BGRA;
  else
    return false;
  return true;
}

std::string shapeText(Layout layout) {
  return layout == Layout::Plane ? "(H, W)" : layout == Layout::BGR ? "(H, W, 3)" : "(H, W, 4)";
}

std::vector<FrameTypeInfo> candidateInputs(Layout layout, LONG rows, LONG cols) {
  std::vector<FrameTypeInfo> upright, flipped;
  // Declarations under which the picture is the array's picture come first.
  for (const LONG height : {rows, -rows})
    for (const GUID& subtype : subtypesOf(layout)) {
      const FrameTypeInfo type = packed(FrameTypeInfo(subtype, cols, height, 0));
      (seenFlipped(type) ? flipped : upright).push_back(type);
    }
  upright.insert(upright.end(), flipped.begin(), flipped.end());
  return upright;
}

bool seenFlipped(const FrameTypeInfo& in) { return !Pixlib::isStoredTopDown(in); }

bool rowsReversed(bool flipped, const FrameTypeInfo& out) { return flipped == Pixlib::isStoredTopDown(out); }

FrameTypeInfo packed(FrameTypeInfo type) {
  if (type.buffersize == 0) type.buffersize = Pixlib::calcRequiredBuffersize(type);
  return type;
}

std::vector<Layout> acceptedLayouts(IFrameFilter* filter) {
  std::vector<Layout> layouts;
  for (const Layout layout : {Layout::Plane, Layout::BGR, Layout::BGRA})
    for (const GUID& subtype : subtypesOf(layout))
      if (filter->checkInputType_(FrameTypeInfo(subtype, 0, 0, 0)) == S_OK) {
        layouts.push_back(layout);
        break;
      }
  return layouts;
}

bool declareFor(IFrameFilter* filter, Layout layout, LONG rows, LONG cols, int wantedChannels, Declaration& result,
                std::string& error) {
  bool found = false;
  for (const FrameTypeInfo& in : candidateInputs(layout, rows, cols)) {
    if (filter->checkInputType_(in) != S_OK) continue;
    const std::vector<FrameTypeInfo> outputs = Pixlib::transformOutputTypes(filter, in);
    const FrameTypeInfo* chosen = nullptr;
    for (const FrameTypeInfo& t : outputs) {
      Layout l;
      if (!layoutOfType(t, l) || t.dim.cx <= 0 || t.dim.cy == 0) continue;
      if (!chosen || (wantedChannels && channelsOf(l) == wantedChannels)) chosen = &t;
      if (!wantedChannels || channelsOf(l) == wantedChannels) break;
    }
    if (!chosen) continue;
    const FrameTypeInfo out = packed(*chosen);
    if (out.buffersize == 0 || filter->checkTransformTypes_(in, out) != S_OK) continue;
    Declaration d{in, out, seenFlipped(in), false, outputs.size() > 1};
    d.reverseOut = rowsReversed(d.flipped, out);
    if (!found || (result.reverseOut && !d.reverseOut)) result = d;
    found = true;
    if (!d.reverseOut) break;
  }
  if (!found)
    error = "no frame type of a " + std::to_string(rows) + " x " + std::to_string(cols) + " " + shapeText(layout) +
            " array gives an output with the current parameters";
  return found;
}

}  // namespace corefilters_py
