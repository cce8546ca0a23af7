#include "formats.h"

#include <gst/video/video.h>

#include <cstring>

namespace orvgst {
namespace {

struct FormatName {
  const GUID* subtype;
  const char* media;
  const char* format;
};

// In the order a subtype offers them: BGRx before BGRA, since the module
// writes the fourth byte as 255 but a peer may read BGRA as real alpha.
constexpr FormatName kFormats[] = {
    {&MEDIASUBTYPE_BY8, "video/x-bayer", "rggb"},  {&MEDIASUBTYPE_BY8, "video/x-bayer", "gbrg"},
    {&MEDIASUBTYPE_BY8, "video/x-bayer", "grbg"},  {&MEDIASUBTYPE_BY8, "video/x-bayer", "bggr"},
    {&MEDIASUBTYPE_Y800, "video/x-raw", "GRAY8"},  {&MEDIASUBTYPE_RGB24, "video/x-raw", "BGR"},
    {&MEDIASUBTYPE_RGB32, "video/x-raw", "BGRx"},  {&MEDIASUBTYPE_RGB32, "video/x-raw", "BGRA"},
    {&MEDIASUBTYPE_RGB565, "video/x-raw", "RGB16"}, {&MEDIASUBTYPE_RGB555, "video/x-raw", "RGB15"},
    {&MEDIASUBTYPE_UYVY, "video/x-raw", "UYVY"},
};

struct BayerPattern {
  const char* format;
  int startPattern;
};
// The caps name the top-left 2x2 block row by row; a start pattern names the
// first colour of the second row, then of the first.
constexpr BayerPattern kBayerPatterns[] = {{"rggb", 2}, {"gbrg", 0}, {"grbg", 3}, {"bggr", 1}};

}  // namespace

void appendCapsOf(GstCaps* caps, const GUID& subtype, const GValue* width, const GValue* height,
                  const GValue* framerate, const char* onlyFormat) {
  GstStructure* s = nullptr;
  GValue formats = G_VALUE_INIT;
  gst_value_list_init(&formats, 4);
  const char* media = nullptr;
  for (const FormatName& f : kFormats) {
    if (*f.subtype != subtype || (onlyFormat && std::strcmp(onlyFormat, f.format) != 0)) continue;
    media = f.media;
    GValue v = G_VALUE_INIT;
    g_value_init(&v, G_TYPE_STRING);
    g_value_set_static_string(&v, f.format);
    gst_value_list_append_and_take_value(&formats, &v);
  }
  if (!media) {
    g_value_unset(&formats);
    return;
  }
  s = gst_structure_new_empty(media);
  if (gst_value_list_get_size(&formats) == 1)
    gst_structure_set_value(s, "format", gst_value_list_get_value(&formats, 0));
  else
    gst_structure_set_value(s, "format", &formats);
  g_value_unset(&formats);
  if (width) gst_structure_set_value(s, "width", width);
  if (height) gst_structure_set_value(s, "height", height);
  if (framerate) gst_structure_set_value(s, "framerate", framerate);
  gst_caps_append_structure(caps, s);
}

GUID subtypeOf(const GstStructure* s) {
  const char* format = gst_structure_get_string(s, "format");
  if (!format) return GUID_NULL;
  for (const FormatName& f : kFormats)
    if (gst_structure_has_name(s, f.media) && std::strcmp(format, f.format) == 0) return *f.subtype;
  return GUID_NULL;
}

std::optional<int> startPatternOf(const char* bayerFormat) {
  for (const BayerPattern& p : kBayerPatterns)
    if (bayerFormat && std::strcmp(bayerFormat, p.format) == 0) return p.startPattern;
  return std::nullopt;
}

std::optional<GstFrameLayout> layoutOf(const GstCaps* caps) {
  if (!caps || gst_caps_get_size(caps) == 0) return std::nullopt;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  GstFrameLayout layout;
  layout.subtype = subtypeOf(s);
  if (layout.subtype == GUID_NULL) return std::nullopt;
  if (!gst_structure_get_int(s, "width", &layout.width) || !gst_structure_get_int(s, "height", &layout.height) ||
      layout.width <= 0 || layout.height <= 0)
    return std::nullopt;
  layout.packedStride = gsize(layout.width) * Pixlib::getBitsPerPixel(layout.subtype) / 8;
  if (gst_structure_has_name(s, "video/x-bayer")) {
    // GstVideoInfo does not describe Bayer caps; their rows round up to 4
    // bytes, as the Bayer converters and test sources lay them out.
    layout.stride = GST_ROUND_UP_4(gsize(layout.width));
    layout.size = layout.stride * gsize(layout.height);
    layout.bayerPattern = startPatternOf(gst_structure_get_string(s, "format"));
  } else {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, caps)) return std::nullopt;
    layout.stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    layout.size = GST_VIDEO_INFO_SIZE(&info);
  }
  return layout;
}

}  // namespace orvgst
