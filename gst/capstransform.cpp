#include "capstransform.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "formats.h"
#include "pixrt/typelists.h"

namespace orvgst {
namespace {

// How the output size follows the input size, found by asking the filter
// about two frames larger than any region it is likely to hold.
enum class SizeRule { Same, Swapped, Free };

SizeRule sizeRuleOf(IFrameFilter* filter, const CapsPolicy& policy, const GUID& subtype) {
  constexpr int kProbes[2][2] = {{30000, 20000}, {20008, 30016}};
  int same = 0, swapped = 0;
  for (const auto& probe : kProbes) {
    FrameTypeInfo in(subtype, probe[0], declaredHeight(policy, subtype, probe[1]), 0);
    in.buffersize = Pixlib::calcRequiredBuffersize(in);
    const std::vector<FrameTypeInfo> out = Pixlib::transformOutputTypes(filter, in);
    if (out.empty()) return SizeRule::Free;
    const std::int64_t w = out[0].dim.cx, h = Pixlib::frameRows(out[0]);
    same += w == probe[0] && h == probe[1];
    swapped += w == probe[1] && h == probe[0];
  }
  return same == 2 ? SizeRule::Same : swapped == 2 ? SizeRule::Swapped : SizeRule::Free;
}

void setIntRange(GValue* v) {
  g_value_init(v, GST_TYPE_INT_RANGE);
  gst_value_set_int_range(v, 1, std::numeric_limits<gint>::max());
}

void setInt(GValue* v, std::int64_t n) {
  g_value_init(v, G_TYPE_INT);
  g_value_set_int(v, static_cast<gint>(n));
}

// The frame rate on the other side; null: any.
void otherRate(const GValue* rate, const CapsPolicy& policy, GstPadDirection direction, GValue* out) {
  if (!rate) return;
  if (policy.framesPerOutput == 1) {
    g_value_init(out, G_VALUE_TYPE(rate));
    g_value_copy(rate, out);
    return;
  }
  if (!GST_VALUE_HOLDS_FRACTION(rate)) return;  // a range: any rate maps somewhere
  gint n = gst_value_get_fraction_numerator(rate), d = gst_value_get_fraction_denominator(rate);
  if (direction == GST_PAD_SINK) {
    if (!gst_util_fraction_multiply(n, d, 1, policy.framesPerOutput, &n, &d)) return;
  } else if (!gst_util_fraction_multiply(n, d, policy.framesPerOutput, 1, &n, &d)) {
    return;
  }
  g_value_init(out, GST_TYPE_FRACTION);
  gst_value_set_fraction(out, n, d);
}

// The subtypes a structure names: each format it lists, or every format of
// its media type when it names none.
struct NamedSubtype {
  GUID subtype;
  std::vector<std::string> formats;  // the structure's formats of this subtype
};

std::vector<NamedSubtype> subtypesOf(const GstStructure* s) {
  std::vector<NamedSubtype> subtypes;
  auto add = [&](const GUID& g, const char* format) {
    if (g == GUID_NULL) return;
    auto known = std::find_if(subtypes.begin(), subtypes.end(), [&](const NamedSubtype& n) { return n.subtype == g; });
    if (known == subtypes.end()) known = subtypes.insert(subtypes.end(), NamedSubtype{g, {}});
    known->formats.push_back(format);
  };
  const GValue* formats = gst_structure_get_value(s, "format");
  GstStructure* one = gst_structure_new_empty(gst_structure_get_name(s));
  auto tryFormat = [&](const GValue* f) {
    gst_structure_set_value(one, "format", f);
    if (G_VALUE_HOLDS_STRING(f)) add(subtypeOf(one), g_value_get_string(f));
  };
  if (!formats) {
    static const char* const kAll[] = {"rggb", "GRAY8", "BGR", "BGRx", "RGB16", "RGB15", "UYVY"};
    for (const char* name : kAll) {
      gst_structure_set(one, "format", G_TYPE_STRING, name, nullptr);
      add(subtypeOf(one), name);
    }
  } else if (GST_VALUE_HOLDS_LIST(formats)) {
    for (guint i = 0; i < gst_value_list_get_size(formats); ++i) tryFormat(gst_value_list_get_value(formats, i));
  } else if (G_VALUE_HOLDS_STRING(formats)) {
    tryFormat(formats);
  }
  gst_structure_free(one);
  return subtypes;
}

// Width and height on the other side of a filter whose sizes follow `rule`.
void otherSize(SizeRule rule, const GValue* w, const GValue* h, GValue* ow, GValue* oh) {
  const GValue* from[2] = {w, h};
  if (rule == SizeRule::Swapped) std::swap(from[0], from[1]);
  GValue* to[2] = {ow, oh};
  for (int i = 0; i < 2; ++i) {
    if (rule == SizeRule::Free || !from[i]) {
      setIntRange(to[i]);
    } else {
      g_value_init(to[i], G_VALUE_TYPE(from[i]));
      g_value_copy(from[i], to[i]);
    }
  }
}

// The fields a filter keeps: the pixel aspect ratio (turned over by a
// quarter turn), the colorimetry while the format stays, the interlacing
// while rows stay rows.
void keepFields(const GstStructure* from, GstStructure* to, SizeRule rule, bool sameSubtype) {
  if (const GValue* par = gst_structure_get_value(from, "pixel-aspect-ratio")) {
    if (rule != SizeRule::Swapped) {
      gst_structure_set_value(to, "pixel-aspect-ratio", par);
    } else if (GST_VALUE_HOLDS_FRACTION(par)) {
      gst_structure_set(to, "pixel-aspect-ratio", GST_TYPE_FRACTION, gst_value_get_fraction_denominator(par),
                        gst_value_get_fraction_numerator(par), nullptr);
    }
  }
  if (const GValue* colorimetry = gst_structure_get_value(from, "colorimetry"); colorimetry && sameSubtype)
    gst_structure_set_value(to, "colorimetry", colorimetry);
  if (const GValue* interlace = gst_structure_get_value(from, "interlace-mode"); interlace && rule != SizeRule::Swapped)
    gst_structure_set_value(to, "interlace-mode", interlace);
}

void transformStructure(IFrameFilter* filter, const CapsPolicy& policy, GstPadDirection direction,
                        const GstStructure* s, GstCaps* result) {
  const GValue* w = gst_structure_get_value(s, "width");
  const GValue* h = gst_structure_get_value(s, "height");
  GValue rate = G_VALUE_INIT;
  otherRate(gst_structure_get_value(s, "framerate"), policy, direction, &rate);
  const GValue* r = G_IS_VALUE(&rate) ? &rate : nullptr;
  const bool fixed = w && h && G_VALUE_HOLDS_INT(w) && G_VALUE_HOLDS_INT(h);

  for (const NamedSubtype& named : subtypesOf(s)) {
    const GUID& subtype = named.subtype;
    // A subtype that stays keeps its GStreamer format (BGRA stays BGRA).
    auto appendOther = [&](const GUID& other, const GValue* ow, const GValue* oh, SizeRule rule) {
      const guint before = gst_caps_get_size(result);
      if (other == subtype && named.formats.size() == 1 && !gst_structure_has_name(s, "video/x-bayer"))
        appendCapsOf(result, other, ow, oh, r, named.formats[0].c_str());
      else
        appendCapsOf(result, other, ow, oh, r);
      for (guint i = before; i < gst_caps_get_size(result); ++i)
        keepFields(s, gst_caps_get_structure(result, i), rule, other == subtype);
    };
    if (direction == GST_PAD_SINK) {
      FrameTypeInfo in(subtype, 0, 0, 0);
      if (filter->checkInputType_(in) != S_OK) continue;
      // Asked of the filter even for a fixed size: a square frame's size
      // does not tell whether it was turned.
      const SizeRule rule = sizeRuleOf(filter, policy, subtype);
      if (fixed) {
        in.dim = {g_value_get_int(w), declaredHeight(policy, subtype, g_value_get_int(h))};
        in.buffersize = Pixlib::calcRequiredBuffersize(in);
        for (const FrameTypeInfo& out : Pixlib::transformOutputTypes(filter, in)) {
          GValue ow = G_VALUE_INIT, oh = G_VALUE_INIT;
          setInt(&ow, out.dim.cx);
          setInt(&oh, Pixlib::frameRows(out));
          appendOther(out.subtype, &ow, &oh, rule);
          g_value_unset(&ow);
          g_value_unset(&oh);
        }
        continue;
      }
      for (const FrameTypeInfo& out : Pixlib::transformOutputTypes(filter, in)) {
        GValue ow = G_VALUE_INIT, oh = G_VALUE_INIT;
        otherSize(rule, w, h, &ow, &oh);
        appendOther(out.subtype, &ow, &oh, rule);
        g_value_unset(&ow);
        g_value_unset(&oh);
      }
    } else {
      // Every input type one of whose outputs is this subtype.
      for (const FrameTypeInfo& in : Pixlib::supportedInputTypes(filter)) {
        bool gives = false;
        for (const FrameTypeInfo& out : Pixlib::transformOutputTypes(filter, FrameTypeInfo(in.subtype, 0, 0, 0)))
          gives = gives || out.subtype == subtype;
        if (!gives) continue;
        const SizeRule rule = sizeRuleOf(filter, policy, in.subtype);
        GValue iw = G_VALUE_INIT, ih = G_VALUE_INIT;
        otherSize(rule, w, h, &iw, &ih);
        appendOther(in.subtype, &iw, &ih, rule);
        g_value_unset(&iw);
        g_value_unset(&ih);
      }
    }
  }
  if (r) g_value_unset(&rate);
}

GstCaps* anySizeCaps(const std::vector<GUID>& subtypes) {
  GstCaps* caps = gst_caps_new_empty();
  GValue size = G_VALUE_INIT, rate = G_VALUE_INIT;
  setIntRange(&size);
  g_value_init(&rate, GST_TYPE_FRACTION_RANGE);
  gst_value_set_fraction_range_full(&rate, 0, 1, std::numeric_limits<gint>::max(), 1);
  for (const GUID& g : subtypes) appendCapsOf(caps, g, &size, &size, &rate);
  g_value_unset(&size);
  g_value_unset(&rate);
  return gst_caps_simplify(caps);
}

}  // namespace

LONG declaredHeight(const CapsPolicy& policy, const GUID& subtype, int rows) {
  switch (policy.heights) {
    case CapsPolicy::Heights::NegativeForBottomUp:
      return Pixlib::isBottomUpFrameType(subtype) ? -rows : rows;
    case CapsPolicy::Heights::NegativeInput:
      return -rows;
    case CapsPolicy::Heights::Positive:
      break;
  }
  return rows;
}

GstCaps* transformCaps(IFrameFilter* filter, const CapsPolicy& policy, GstPadDirection direction,
                       const GstCaps* caps) {
  GstCaps* result = gst_caps_new_empty();
  if (gst_caps_is_any(caps)) {
    gst_caps_unref(result);
    return direction == GST_PAD_SINK ? srcTemplateCaps(filter) : sinkTemplateCaps(filter);
  }
  for (guint i = 0; i < gst_caps_get_size(caps); ++i)
    transformStructure(filter, policy, direction, gst_caps_get_structure(caps, i), result);
  return result;
}

GstCaps* sinkTemplateCaps(IFrameFilter* filter) {
  std::vector<GUID> subtypes;
  for (const FrameTypeInfo& t : Pixlib::supportedInputTypes(filter)) subtypes.push_back(t.subtype);
  return anySizeCaps(subtypes);
}

GstCaps* srcTemplateCaps(IFrameFilter* filter) {
  std::vector<GUID> subtypes;
  for (const FrameTypeInfo& in : Pixlib::supportedInputTypes(filter))
    for (const FrameTypeInfo& out : Pixlib::transformOutputTypes(filter, FrameTypeInfo(in.subtype, 0, 0, 0)))
      if (std::find(subtypes.begin(), subtypes.end(), out.subtype) == subtypes.end()) subtypes.push_back(out.subtype);
  return anySizeCaps(subtypes);
}

}  // namespace orvgst
