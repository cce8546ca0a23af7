#include "filterelement.h"

#include "capstransform.h"
#include "pixrt/typelists.h"
#include "elementproperties.h"
#include "formats.h"
#include "modulehandle.h"
#include "pixrt/filterchain.h"
#include "pixrt/filtertraits.h"
#include "pixrt/framebuffer.h"
#include "platform/textconv.h"

#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

GST_DEBUG_CATEGORY_STATIC(orv_filter_debug);
#define GST_CAT_DEFAULT orv_filter_debug

namespace orvgst {
namespace {

// What one element holds besides its GStreamer parent.
struct ElementState {
  IFrameFilter* filter = nullptr;
  const ElementDescription* description = nullptr;

  // Set by set_caps on the streaming thread and read there by transform.
  bool streaming = false;
  GstFrameLayout inLayout, outLayout;
  FrameTypeInfo inType, outType;
  std::vector<BYTE> packedIn, packedOut;  // only when GStreamer pads the rows

  // Frames of the current run of a filter that emits one frame per run.
  guint runFrames = 0;
  GstClockTime runStart = GST_CLOCK_TIME_NONE;
  GstClockTime runDuration = 0;
  guint64 framesIn = 0;

  // Under the object lock: the caps' Bayer pattern, which overrides the
  // start pattern, and for a region counted from the bottom the frame's
  // height and the region as the user gave it (top rows first).
  std::optional<int> capsPattern;
  int mirroredFrameRows = 0;
  LONG userTop = 0, userHeight = 0;
};

struct OrvFilter {
  GstBaseTransform parent;
  ElementState* state;
};

struct OrvFilterClass {
  GstBaseTransformClass parent;
  const ElementDescription* description;
};

GstBaseTransformClass* parentClass = nullptr;

OrvFilter* self(gpointer p) { return reinterpret_cast<OrvFilter*>(p); }
const ElementDescription& descriptionOf(gpointer instance) {
  return *reinterpret_cast<OrvFilterClass*>(G_OBJECT_GET_CLASS(instance))->description;
}

// How each filter is told that GStreamer stores rows top-down, without a
// copy: the region filter takes only positive heights, so on a bottom-up
// subtype its rows count from the bottom; the demosaicing filter writes its
// rows in its source's memory order when the source is declared bottom-up;
// every other filter is told the truth with a negative height.
bool countsRegionFromBottom(const ElementDescription& d) { return d.key == "roi"; }

CapsPolicy policyOf(const ElementState& s) {
  CapsPolicy policy;
  if (countsRegionFromBottom(*s.description)) policy.heights = CapsPolicy::Heights::Positive;
  if (s.description->key == "debayer") policy.heights = CapsPolicy::Heights::NegativeInput;
  if (!s.description->alwaysEmits()) {
    // Runs of 2^level frames become one.
    if (const PropertyDescription* level = s.description->property("denoise-level")) {
      LONG value = 0;
      if (readParameter(s.filter, level->name, value) && value >= 0 && value < 16) policy.framesPerOutput = 1 << value;
    }
  }
  return policy;
}

// ---- The region counted from the bottom -----------------------------------

// Hands the user's region to the filter, turned upside down when rows are
// counted from the bottom; clipped to the frame first so that the turned top
// is never negative.
tParamResult applyRegion(ElementState& s) {
  const PropertyDescription* top = s.description->property("top");
  const PropertyDescription* height = s.description->property("height");
  if (!top || !height) return eParamOk;
  LONG t = s.userTop, h = s.userHeight;
  if (s.mirroredFrameRows > 0 && t < s.mirroredFrameRows) {
    h = std::min<LONG>(h, s.mirroredFrameRows - t);
    t = s.mirroredFrameRows - t - h;
  }
  s.filter->lock();
  tParamResult r = writeParameter(s.filter, *height, h);
  if (r == eParamOk) r = writeParameter(s.filter, *top, t);
  s.filter->unlock();
  return r;
}

bool isRegionRow(const ElementState& s, const PropertyDescription& p) {
  return countsRegionFromBottom(*s.description) && (p.key == "top" || p.key == "height");
}

// ---- Properties -----------------------------------------------------------

// A refused setting: a warning on the bus, or on stderr for an element that
// is in no pipeline yet (gst-launch-1.0 sets properties before it has one).
void warnSetting(OrvFilter* e, const std::string& text) {
  GstBus* bus = gst_element_get_bus(GST_ELEMENT(e));
  if (!bus) {
    g_warning("%s", text.c_str());
    return;
  }
  gst_object_unref(bus);
  GST_ELEMENT_WARNING(e, LIBRARY, SETTINGS, ("%s", text.c_str()), (nullptr));
}

void warnRefused(OrvFilter* e, const PropertyDescription& p, const std::string& value, tParamResult result) {
  warnSetting(e, descriptionOf(e).elementName + " refuses " + p.key + "=" + value +
                     (result == eParamLiveMode ? " while streaming" : "") + ": " +
                     Pixlib::refusalReason(p.traits, result) + "; the running value stays");
}

void setParameterProperty(OrvFilter* e, const PropertyDescription& p, const GValue* value) {
  ElementState& s = *e->state;
  const LONG v = parameterValueOf(p, value);
  gchar* text = g_strdup_value_contents(value);
  const std::string shown = text;
  g_free(text);
  GST_OBJECT_LOCK(e);
  if (p.key == "start-pattern" && s.capsPattern) {
    const int pattern = *s.capsPattern;
    GST_OBJECT_UNLOCK(e);
    if (v != pattern)
      warnSetting(e, descriptionOf(e).elementName + " refuses start-pattern=" + shown +
                         ": the Bayer caps set the start pattern");
    return;
  }
  tParamResult result;
  if (isRegionRow(s, p)) {
    const LONG oldTop = s.userTop, oldHeight = s.userHeight;
    (p.key == "top" ? s.userTop : s.userHeight) = v;
    result = applyRegion(s);
    if (result != eParamOk) {
      s.userTop = oldTop;
      s.userHeight = oldHeight;
      applyRegion(s);
    }
  } else {
    result = writeParameter(s.filter, p, v);
  }
  GST_OBJECT_UNLOCK(e);
  if (result != eParamOk) warnRefused(e, p, shown, result);
}

// The parameter text with the region as the user sees it.
std::string parameterText(ElementState& s) {
  std::string text = Pixlib::saveFrameFilterData(s.filter);
  if (s.mirroredFrameRows <= 0) return text;
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (!j.is_object()) return text;
  j["Top"] = s.userTop;
  j["Height"] = s.userHeight;
  return j.dump();
}

void setParameterText(OrvFilter* e, const char* text) {
  ElementState& s = *e->state;
  if (!text) return;
  std::string applied = text;
  GST_OBJECT_LOCK(e);
  nlohmann::json j = nlohmann::json::parse(applied, nullptr, false);
  const bool region = countsRegionFromBottom(*s.description) && j.is_object();
  s.filter->lock();
  bool ok = Pixlib::restoreFrameFilterData(s.filter, applied);
  if (ok && region) {
    // The region's rows as written stay the user's; the filter gets them turned.
    readParameter(s.filter, u"Top", s.userTop);
    readParameter(s.filter, u"Height", s.userHeight);
    ok = applyRegion(s) == eParamOk;
  }
  if (ok && s.capsPattern)
    if (const PropertyDescription* p = s.description->property("start-pattern"))
      writeParameter(s.filter, *p, *s.capsPattern);
  s.filter->unlock();
  GST_OBJECT_UNLOCK(e);
  if (!ok)
    warnSetting(e, descriptionOf(e).elementName + " refuses parameters '" + text + "'; the running values stay");
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
  OrvFilter* e = self(object);
  const ElementDescription& d = descriptionOf(object);
  if (!e->state->filter) return;
  if (id == kPropParameters) {
    setParameterText(e, g_value_get_string(value));
  } else if (id >= kFirstParameterProperty && id - kFirstParameterProperty < d.properties.size()) {
    setParameterProperty(e, d.properties[id - kFirstParameterProperty], value);
  } else {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
  OrvFilter* e = self(object);
  ElementState& s = *e->state;
  const ElementDescription& d = descriptionOf(object);
  if (!s.filter) return;
  GST_OBJECT_LOCK(e);
  if (id == kPropParameters) {
    g_value_set_string(value, parameterText(s).c_str());
  } else if (id >= kFirstParameterProperty && id - kFirstParameterProperty < d.properties.size()) {
    const PropertyDescription& p = d.properties[id - kFirstParameterProperty];
    LONG v = p.defaultValue;
    if (isRegionRow(s, p))
      v = p.key == "top" ? s.userTop : s.userHeight;
    else
      readParameter(s.filter, p.name, v);
    setPropertyValue(p, v, value);
  } else {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
  GST_OBJECT_UNLOCK(e);
}

// ---- Streaming ------------------------------------------------------------

void stopStreaming(ElementState& s) {
  if (s.streaming) s.filter->notifyStop_();
  s.streaming = false;
  s.runFrames = 0;
}

void startStreaming(ElementState& s) {
  s.filter->notifyStart_(s.inType, s.outType);
  s.streaming = true;
  s.runFrames = 0;
}

gboolean setCaps(GstBaseTransform* bt, GstCaps* incaps, GstCaps* outcaps) {
  OrvFilter* e = self(bt);
  ElementState& s = *e->state;
  const ElementDescription& d = descriptionOf(bt);
  stopStreaming(s);
  const std::optional<GstFrameLayout> in = layoutOf(incaps), out = layoutOf(outcaps);
  if (!in || !out) {
    GST_ELEMENT_ERROR(e, CORE, NEGOTIATION, ("%s: caps without a frame type of the module", d.elementName.c_str()),
                      ("in %" GST_PTR_FORMAT ", out %" GST_PTR_FORMAT, incaps, outcaps));
    return FALSE;
  }
  GST_OBJECT_LOCK(e);
  s.capsPattern = in->bayerPattern;
  if (s.capsPattern)
    if (const PropertyDescription* p = d.property("start-pattern")) writeParameter(s.filter, *p, *s.capsPattern);
  if (countsRegionFromBottom(d)) {
    s.mirroredFrameRows = Pixlib::isBottomUpFrameType(in->subtype) ? in->height : 0;
    applyRegion(s);
  }
  const CapsPolicy policy = policyOf(s);
  GST_OBJECT_UNLOCK(e);

  FrameTypeInfo inType(in->subtype, in->width, declaredHeight(policy, in->subtype, in->height), 0);
  inType.buffersize = Pixlib::calcRequiredBuffersize(inType);
  std::optional<FrameTypeInfo> outType;
  for (FrameTypeInfo t : Pixlib::transformOutputTypes(s.filter, inType)) {
    if (t.subtype != out->subtype || t.dim.cx != out->width || Pixlib::frameRows(t) != out->height) continue;
    if (t.buffersize == 0) t.buffersize = Pixlib::calcRequiredBuffersize(t);
    outType = t;
    break;
  }
  if (!outType || s.filter->checkTransformTypes_(inType, *outType) != S_OK) {
    GST_ELEMENT_ERROR(e, CORE, NEGOTIATION,
                      ("%s takes no %s frames to %s", d.elementName.c_str(), Pixlib::frameTypeText(inType).c_str(),
                       Pixlib::frameTypeText(FrameTypeInfo(out->subtype, out->width, out->height, 0)).c_str()),
                      ("in %" GST_PTR_FORMAT ", out %" GST_PTR_FORMAT, incaps, outcaps));
    return FALSE;
  }
  s.inLayout = *in;
  s.outLayout = *out;
  s.inType = inType;
  s.outType = *outType;
  // Scratch frames only for padded rows, made here and not per frame.
  try {
    s.packedIn.assign(in->packed() ? 0 : inType.buffersize, 0);
    s.packedOut.assign(out->packed() ? 0 : outType->buffersize, 0);
  } catch (const std::bad_alloc&) {
    GST_ELEMENT_ERROR(e, RESOURCE, NO_SPACE_LEFT, ("%s: no memory for a frame", d.elementName.c_str()), (nullptr));
    return FALSE;
  }
  GST_DEBUG_OBJECT(e, "streaming %s to %s, rows %s in, %s out", Pixlib::frameTypeText(inType).c_str(),
                   Pixlib::frameTypeText(*outType).c_str(), in->packed() ? "direct" : "copied",
                   out->packed() ? "direct" : "copied");
  startStreaming(s);
  return TRUE;
}

gboolean start(GstBaseTransform* bt) {
  OrvFilter* e = self(bt);
  if (e->state->filter) return TRUE;
  const ElementDescription& d = descriptionOf(bt);
  std::string error;
  moduleFactory(error);
  if (error.empty()) error = "the filter module " + modulePath() + " makes no " + orv::utf16ToUtf8(d.filterName) + " filter";
  GST_ELEMENT_ERROR(e, LIBRARY, INIT, ("%s has no filter: %s", d.elementName.c_str(), error.c_str()),
                    ("%s names another module file; without it the one beside libpixrt is used", kModuleEnvVar));
  return FALSE;
}

gboolean stop(GstBaseTransform* bt) {
  OrvFilter* e = self(bt);
  ElementState& s = *e->state;
  stopStreaming(s);
  GST_OBJECT_LOCK(e);
  s.capsPattern.reset();
  if (s.mirroredFrameRows) {
    s.mirroredFrameRows = 0;
    applyRegion(s);
  }
  GST_OBJECT_UNLOCK(e);
  s.packedIn = {};
  s.packedOut = {};
  s.framesIn = 0;
  return TRUE;
}

gboolean sinkEvent(GstBaseTransform* bt, GstEvent* event) {
  ElementState& s = *self(bt)->state;
  // A flush drops a partial run: the filter starts over.
  if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP && s.streaming) {
    stopStreaming(s);
    startStreaming(s);
  }
  return parentClass->sink_event(bt, event);
}

GstCaps* transformCapsVfunc(GstBaseTransform* bt, GstPadDirection direction, GstCaps* caps, GstCaps* filter) {
  ElementState& s = *self(bt)->state;
  // Without a filter anything links: start() says why nothing flows.
  if (!s.filter) return filter ? gst_caps_ref(filter) : gst_caps_new_any();
  GST_OBJECT_LOCK(bt);
  const CapsPolicy policy = policyOf(s);
  GstCaps* result = transformCaps(s.filter, policy, direction, caps);
  GST_OBJECT_UNLOCK(bt);
  if (filter) {
    GstCaps* both = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(result);
    result = both;
  }
  GST_DEBUG_OBJECT(bt, "%s %" GST_PTR_FORMAT " -> %" GST_PTR_FORMAT, direction == GST_PAD_SINK ? "sink" : "src", caps,
                   result);
  return result;
}

gboolean getUnitSize(GstBaseTransform*, GstCaps* caps, gsize* size) {
  const std::optional<GstFrameLayout> layout = layoutOf(caps);
  if (!layout) return FALSE;
  *size = layout->size;
  return TRUE;
}

gboolean transformSize(GstBaseTransform*, GstPadDirection, GstCaps*, gsize, GstCaps* othercaps, gsize* othersize) {
  const std::optional<GstFrameLayout> layout = layoutOf(othercaps);
  if (!layout) return FALSE;
  *othersize = layout->size;
  return TRUE;
}

// Rows between GStreamer's padded layout and the module's packed one.
void copyRows(const BYTE* from, gsize fromStride, BYTE* to, gsize toStride, gsize rowBytes, int rows) {
  for (int r = 0; r < rows; ++r) std::memcpy(to + gsize(r) * toStride, from + gsize(r) * fromStride, rowBytes);
}

// The stride and first byte of an input buffer: its video meta when it has
// one (an upstream pool may pad rows its own way), else the caps' layout.
// False for a meta whose rows overlap or run backwards: packed rows in
// memory order cannot be made from them.
bool inputRows(GstBuffer* buffer, const GstFrameLayout& layout, gsize& offset, gsize& stride) {
  offset = 0;
  stride = layout.stride;
  if (GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
    if (meta->stride[0] < 0 || gsize(meta->stride[0]) < layout.packedStride) return false;
    offset = meta->offset[0];
    stride = gsize(meta->stride[0]);
  }
  return true;
}

// Scratch memory for the packed rows of a frame; made at caps time unless a
// buffer's own padding asks for it later.
bool scratch(std::vector<BYTE>& memory, gsize size) {
  try {
    if (memory.size() < size) memory.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

GstFlowReturn transformFrame(GstBaseTransform* bt, GstBuffer* inbuf, GstBuffer* outbuf) {
  OrvFilter* e = self(bt);
  ElementState& s = *e->state;
  const ElementDescription& d = descriptionOf(bt);
  if (!s.streaming) {
    GST_ELEMENT_ERROR(e, CORE, NEGOTIATION, ("%s: a frame before its caps", d.elementName.c_str()), (nullptr));
    return GST_FLOW_NOT_NEGOTIATED;
  }
  const guint64 frame = s.framesIn++;
  if (s.runFrames++ == 0) {
    s.runStart = GST_BUFFER_PTS(inbuf);
    s.runDuration = 0;
  }
  if (GST_BUFFER_DURATION_IS_VALID(inbuf)) s.runDuration += GST_BUFFER_DURATION(inbuf);

  GstMapInfo in, out;
  if (!gst_buffer_map(inbuf, &in, GST_MAP_READ)) {
    GST_ELEMENT_ERROR(e, RESOURCE, READ, ("%s: cannot read frame %" G_GUINT64_FORMAT, d.elementName.c_str(), frame),
                      (nullptr));
    return GST_FLOW_ERROR;
  }
  if (!gst_buffer_map(outbuf, &out, GST_MAP_WRITE)) {
    gst_buffer_unmap(inbuf, &in);
    GST_ELEMENT_ERROR(e, RESOURCE, WRITE, ("%s: cannot write an output frame", d.elementName.c_str()), (nullptr));
    return GST_FLOW_ERROR;
  }
  gsize offset, stride;
  const bool rows = inputRows(inbuf, s.inLayout, offset, stride);
  const int inRows = s.inLayout.height;
  GstFlowReturn flow = GST_FLOW_OK;
  if (!rows) {
    GST_ELEMENT_ERROR(e, STREAM, FORMAT,
                      ("%s: frame %" G_GUINT64_FORMAT " has rows %d bytes apart, a row of its caps holds %" G_GSIZE_FORMAT,
                       d.elementName.c_str(), frame, gst_buffer_get_video_meta(inbuf)->stride[0],
                       s.inLayout.packedStride),
                      (nullptr));
    flow = GST_FLOW_ERROR;
  } else if (in.size < offset + stride * gsize(inRows - 1) + s.inLayout.packedStride || out.size < s.outLayout.size) {
    GST_ELEMENT_ERROR(e, STREAM, FORMAT,
                      ("%s: frame %" G_GUINT64_FORMAT " holds %" G_GSIZE_FORMAT " bytes, too few for its caps",
                       d.elementName.c_str(), frame, in.size),
                      (nullptr));
    flow = GST_FLOW_ERROR;
  } else if (stride != s.inLayout.packedStride && !scratch(s.packedIn, s.inType.buffersize)) {
    GST_ELEMENT_ERROR(e, RESOURCE, NO_SPACE_LEFT, ("%s: no memory for a frame", d.elementName.c_str()), (nullptr));
    flow = GST_FLOW_ERROR;
  } else {
    BYTE* from = in.data + offset;
    if (stride != s.inLayout.packedStride) {
      copyRows(from, stride, s.packedIn.data(), s.inLayout.packedStride, s.inLayout.packedStride, inRows);
      from = s.packedIn.data();
    }
    BYTE* to = s.outLayout.packed() ? out.data : s.packedOut.data();
    const Pixlib::FrameBuffer source(s.inType, from);
    Pixlib::FrameBuffer dest(s.outType, to);
    const HRESULT hr = s.filter->transform_(source, dest);
    if (hr == S_OK) {
      if (!s.outLayout.packed())
        copyRows(to, s.outLayout.packedStride, out.data, s.outLayout.stride, s.outLayout.packedStride,
                 s.outLayout.height);
      if (!d.alwaysEmits()) {
        // One frame for the run: it starts when the run started and lasts as long.
        GST_BUFFER_PTS(outbuf) = s.runStart;
        GST_BUFFER_DTS(outbuf) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(outbuf) = s.runDuration ? s.runDuration : GST_CLOCK_TIME_NONE;
      }
      s.runFrames = 0;
    } else if (hr == S_FALSE) {
      if (d.alwaysEmits()) {
        GST_ELEMENT_WARNING(e, STREAM, FAILED,
                            ("%s dropped frame %" G_GUINT64_FORMAT " (pts %" GST_TIME_FORMAT ")",
                             orv::utf16ToUtf8(d.filterName).c_str(), frame, GST_TIME_ARGS(GST_BUFFER_PTS(inbuf))),
                            (nullptr));
        s.runFrames = 0;
      }
      flow = GST_BASE_TRANSFORM_FLOW_DROPPED;
    } else {
      GST_ELEMENT_ERROR(e, STREAM, FAILED,
                        ("%s failed on frame %" G_GUINT64_FORMAT " (0x%08x)", orv::utf16ToUtf8(d.filterName).c_str(),
                         frame, static_cast<unsigned>(hr)),
                        (nullptr));
      flow = GST_FLOW_ERROR;
    }
  }
  gst_buffer_unmap(outbuf, &out);
  gst_buffer_unmap(inbuf, &in);
  return flow;
}

// ---- GObject plumbing -------------------------------------------------------

void instanceInit(GTypeInstance* instance, gpointer klass) {
  OrvFilter* e = self(instance);
  const ElementDescription* d = reinterpret_cast<OrvFilterClass*>(klass)->description;
  e->state = new ElementState;
  if (!d) return;  // the abstract base
  e->state->description = d;
  std::string error;
  if (IFilterFactory* factory = moduleFactory(error)) e->state->filter = factory->createFilter(d->filterName.c_str());
  if (e->state->filter && countsRegionFromBottom(*d)) {
    readParameter(e->state->filter, u"Top", e->state->userTop);
    readParameter(e->state->filter, u"Height", e->state->userHeight);
  }
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(e), FALSE);
  gst_base_transform_set_in_place(GST_BASE_TRANSFORM(e), FALSE);
}

void finalize(GObject* object) {
  OrvFilter* e = self(object);
  if (e->state->filter) {
    stopStreaming(*e->state);
    e->state->filter->Release();
  }
  delete e->state;
  G_OBJECT_CLASS(parentClass)->finalize(object);
}

void baseClassInit(gpointer klass, gpointer) {
  parentClass = GST_BASE_TRANSFORM_CLASS(g_type_class_peek_parent(klass));
  G_OBJECT_CLASS(klass)->finalize = finalize;
  GstBaseTransformClass* bt = GST_BASE_TRANSFORM_CLASS(klass);
  bt->transform_caps = transformCapsVfunc;
  bt->set_caps = setCaps;
  bt->get_unit_size = getUnitSize;
  bt->transform_size = transformSize;
  bt->transform = transformFrame;
  bt->start = start;
  bt->stop = stop;
  bt->sink_event = sinkEvent;
  bt->passthrough_on_same_caps = FALSE;
  reinterpret_cast<OrvFilterClass*>(klass)->description = nullptr;
}

void filterClassInit(gpointer klass, gpointer data) {
  const auto* d = static_cast<const ElementDescription*>(data);
  reinterpret_cast<OrvFilterClass*>(klass)->description = d;
  // GObject does not hand property accessors down to subclasses.
  G_OBJECT_CLASS(klass)->set_property = setProperty;
  G_OBJECT_CLASS(klass)->get_property = getProperty;
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  std::string longName = orv::utf16ToUtf8(d->filterName);
  std::string text = d->traits ? std::string(d->traits->description) : longName;
  if (!d->unavailable.empty()) {
    // gst-inspect-1.0 shows why, both for the plug-in and for the element.
    longName += " (no filter module)";
    text += ". Fails to start: " + d->unavailable;
  }
  gst_element_class_set_metadata(element, g_intern_string(longName.c_str()), "Filter/Effect/Video",
                                 g_intern_string(text.c_str()), "orvfilters");
  std::string error;
  IFilterFactory* factory = d->unavailable.empty() ? moduleFactory(error) : nullptr;
  IFrameFilter* fresh = factory ? factory->createFilter(d->filterName.c_str()) : nullptr;
  // A stand-in links to anything, so that a pipeline gets as far as starting
  // it and hears why it has no filter.
  GstCaps* sink = fresh ? sinkTemplateCaps(fresh) : d->unavailable.empty() ? gst_caps_new_empty() : gst_caps_new_any();
  GstCaps* src = fresh ? srcTemplateCaps(fresh) : d->unavailable.empty() ? gst_caps_new_empty() : gst_caps_new_any();
  if (fresh) fresh->Release();
  gst_element_class_add_pad_template(element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, sink));
  gst_element_class_add_pad_template(element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, src));
  gst_caps_unref(sink);
  gst_caps_unref(src);
  installProperties(G_OBJECT_CLASS(klass), *d);
}

GType baseType() {
  static GType type = 0;
  if (!type) {
    GST_DEBUG_CATEGORY_INIT(orv_filter_debug, "orvfilter", 0, "camera frame filters of the module");
    type = g_type_register_static_simple(GST_TYPE_BASE_TRANSFORM, "GstOrvFilter", sizeof(OrvFilterClass),
                                         baseClassInit, sizeof(OrvFilter), instanceInit, G_TYPE_FLAG_ABSTRACT);
  }
  return type;
}

// Registers the element `d` describes; its description lives as long as its
// type: for the process.
bool registerElement(GstPlugin* plugin, std::unique_ptr<ElementDescription> d) {
  const std::string elementName = d->elementName;
  GType type = g_type_from_name(d->typeName.c_str());
  if (!type) {
    // The base type's instance init serves every filter's type.
    const GTypeInfo typeInfo{sizeof(OrvFilterClass), nullptr, nullptr, filterClassInit, nullptr, d.get(),
                             sizeof(OrvFilter),      0,       nullptr,        nullptr};
    type = g_type_register_static(baseType(), d->typeName.c_str(), &typeInfo, GTypeFlags(0));
    d.release();
  }
  return gst_element_register(plugin, elementName.c_str(), GST_RANK_NONE, type);
}

}  // namespace

gboolean registerFilterElements(GstPlugin* plugin, IFilterFactory* factory) {
  bool any = false;
  FilterInfo info;
  for (unsigned i = 0; factory->getFilterInfo(i, &info); ++i)
    if (std::unique_ptr<ElementDescription> d = describeFilter(factory, std::u16string(textField(info.name))))
      any = registerElement(plugin, std::move(d)) || any;
  return any;
}

gboolean registerStandInElements(GstPlugin* plugin, const std::string& reason) {
  bool any = false;
  for (const Pixlib::FilterTraits& traits : Pixlib::allFilterTraits())
    any = registerElement(plugin, describeStandIn(traits, reason)) || any;
  return any;
}

}  // namespace orvgst
