// The elements in GstHarness: caps for every filter and format, output equal
// to the same filter driven through pixrt or to GStreamer's own elements on
// the same frames, live property changes, DeNoise's timestamps and a state
// cycle without leaks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "loaded_module.h"
#include "pixrt/filterchain.h"
#include "pixrt/framebuffer.h"
#include "platform/textconv.h"

#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace {

class GstElements : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The build's plug-in, in a registry of the tests' own, scanned in this
    // process (under the sanitizers the only one that can load it). The
    // leaks tracer must be chosen before GStreamer starts.
    g_setenv("GST_PLUGIN_PATH", ORV_GST_PLUGIN_DIR, TRUE);
    g_setenv("GST_REGISTRY", ORV_GST_REGISTRY, TRUE);
    g_setenv("GST_REGISTRY_FORK", "no", TRUE);
    g_setenv("GST_TRACERS", "leaks", FALSE);
    gst_init(nullptr, nullptr);
  }
};

// Frames from videotestsrc with a moving pattern, in the given caps.
std::vector<GstBuffer*> testFrames(const std::string& caps, int count, const char* pattern = "zone-plate kx2=20 ky2=20 kt=1") {
  const std::string launch = std::string("videotestsrc pattern=") + pattern + " ! capsfilter caps=\"" + caps + "\"";
  GstHarness* src = gst_harness_new_parse(launch.c_str());
  gst_harness_play(src);
  std::vector<GstBuffer*> frames;
  for (int i = 0; i < count; ++i) frames.push_back(gst_harness_pull(src));
  gst_harness_teardown(src);
  return frames;
}

void unrefAll(std::vector<GstBuffer*>& buffers) {
  for (GstBuffer* b : buffers)
    if (b) gst_buffer_unref(b);
  buffers.clear();
}

// Every buffer through a harness running `launch`, fed with `caps`.
std::vector<GstBuffer*> run(const std::string& launch, const std::string& caps, const std::vector<GstBuffer*>& in,
                            std::string* outCaps = nullptr) {
  GstHarness* h = gst_harness_new_parse(launch.c_str());
  gst_harness_set_src_caps_str(h, caps.c_str());
  std::vector<GstBuffer*> out;
  for (GstBuffer* b : in) {
    EXPECT_EQ(gst_harness_push(h, gst_buffer_ref(b)), GST_FLOW_OK) << launch;
    while (GstBuffer* o = gst_harness_try_pull(h)) out.push_back(o);
  }
  if (outCaps) {
    GstCaps* c = gst_pad_get_current_caps(h->sinkpad);
    gchar* text = c ? gst_caps_to_string(c) : g_strdup("none");
    *outCaps = text;
    g_free(text);
    if (c) gst_caps_unref(c);
  }
  gst_harness_teardown(h);
  return out;
}

std::vector<BYTE> rowsOf(GstBuffer* b, size_t rowBytes, size_t stride, size_t rows);

std::vector<BYTE> bytesOf(GstBuffer* b) {
  GstMapInfo m;
  gst_buffer_map(b, &m, GST_MAP_READ);
  std::vector<BYTE> bytes(m.data, m.data + m.size);
  gst_buffer_unmap(b, &m);
  return bytes;
}

// The rows of a GStreamer frame (rows padded to `stride`) without padding.
std::vector<BYTE> packedRows(const std::vector<BYTE>& frame, size_t stride, size_t rowBytes, size_t rows) {
  std::vector<BYTE> packed(rowBytes * rows);
  for (size_t r = 0; r < rows; ++r) std::memcpy(&packed[r * rowBytes], &frame[r * stride], rowBytes);
  return packed;
}

size_t roundUp4(size_t n) { return (n + 3) & ~size_t(3); }

std::vector<BYTE> rowsOf(GstBuffer* b, size_t rowBytes, size_t stride, size_t rows) {
  return packedRows(bytesOf(b), stride, rowBytes, rows);
}

// ---- Caps -------------------------------------------------------------------

struct CapsCase {
  const char* element;
  const char* in;
  const char* out;  // the caps the element settles on, as a subset test
};

const CapsCase kCapsCases[] = {
    {"orvdebayer", "video/x-bayer,format=rggb,width=322,height=241,framerate=30/1,pixel-aspect-ratio=2/1", "video/x-raw,format=BGRx,width=322,height=241,framerate=30/1,pixel-aspect-ratio=2/1"},
    {"orvdebayer ! capsfilter caps=video/x-raw,format=BGR", "video/x-bayer,format=bggr,width=322,height=240", "video/x-raw,format=BGR,width=322,height=240"},
    {"orvdebayer ! capsfilter caps=video/x-raw,format=BGRA", "video/x-raw,format=GRAY8,width=321,height=240", "video/x-raw,format=BGRA,width=321,height=240"},
    {"orvbayer2y800", "video/x-bayer,format=gbrg,width=321,height=240", "video/x-raw,format=GRAY8,width=321,height=240"},
    {"orvrotflip rotation-angle=90", "video/x-raw,format=BGR,width=321,height=240,framerate=25/1,pixel-aspect-ratio=4/3", "video/x-raw,format=BGR,width=240,height=321,framerate=25/1,pixel-aspect-ratio=3/4"},
    {"orvrotflip rotation-angle=270", "video/x-raw,format=GRAY8,width=48,height=48,pixel-aspect-ratio=16/9", "video/x-raw,format=GRAY8,width=48,height=48,pixel-aspect-ratio=9/16"},
    {"orvrotflip rotation-angle=270", "video/x-raw,format=GRAY8,width=321,height=241", "video/x-raw,format=GRAY8,width=241,height=321"},
    {"orvrotflip rotation-angle=180", "video/x-raw,format=BGRx,width=320,height=240", "video/x-raw,format=BGRx,width=320,height=240"},
    {"orvrotflip flip-h=true", "video/x-raw,format=RGB16,width=321,height=240", "video/x-raw,format=RGB16,width=321,height=240"},
    {"orvrotflip flip-v=true", "video/x-raw,format=RGB15,width=321,height=240,interlace-mode=mixed", "video/x-raw,format=RGB15,width=321,height=240,interlace-mode=mixed"},
    {"orvroi left=8 top=10 width=64 height=50", "video/x-raw,format=UYVY,width=322,height=240,colorimetry=bt709,pixel-aspect-ratio=10/11", "video/x-raw,format=UYVY,width=64,height=50,colorimetry=bt709,pixel-aspect-ratio=10/11"},
    {"orvroi left=16 top=3 width=300 height=50", "video/x-raw,format=BGR,width=321,height=240", "video/x-raw,format=BGR,width=304,height=50"},
    {"orvroi left=0 top=0 width=40 height=40", "video/x-raw,format=BGRA,width=321,height=240", "video/x-raw,format=BGRA,width=40,height=40"},
    {"orvroi left=8 top=200 width=100 height=100", "video/x-raw,format=GRAY8,width=321,height=240", "video/x-raw,format=GRAY8,width=104,height=40"},
    {"orvroi width=64 height=64", "video/x-raw,format=RGB16,width=100,height=100", "video/x-raw,format=RGB16,width=64,height=64"},
    {"orvroi width=64 height=64", "video/x-raw,format=RGB15,width=100,height=100", "video/x-raw,format=RGB15,width=64,height=64"},
    {"orvdenoise denoise-level=0", "video/x-raw,format=BGR,width=321,height=240,framerate=30/1", "video/x-raw,format=BGR,width=321,height=240,framerate=30/1"},
    {"orvdenoise denoise-level=2", "video/x-raw,format=GRAY8,width=321,height=240,framerate=30/1", "video/x-raw,format=GRAY8,width=321,height=240,framerate=15/2"},
    {"orvdenoise denoise-level=0", "video/x-raw,format=BGRx,width=32,height=24", "video/x-raw,format=BGRx,width=32,height=24"},
};

TEST_F(GstElements, CapsForEveryFilterAndFormat) {
  for (const CapsCase& c : kCapsCases) {
    std::vector<GstBuffer*> in = testFrames(c.in, 4);
    std::string caps;
    std::vector<GstBuffer*> out = run(c.element, c.in, in, &caps);
    GstCaps* actual = gst_caps_from_string(caps.c_str());
    GstCaps* expected = gst_caps_from_string(c.out);
    EXPECT_TRUE(actual && gst_caps_is_subset(actual, expected)) << c.element << " on " << c.in << " gave " << caps;
    EXPECT_FALSE(out.empty()) << c.element;
    if (actual) gst_caps_unref(actual);
    gst_caps_unref(expected);
    unrefAll(in);
    unrefAll(out);
  }
}

// ---- Output against GStreamer's own elements --------------------------------

struct PeerCase {
  const char* element;
  const char* peer;  // GStreamer's elements doing the same
  const char* caps;
  size_t rowBytes, stride, rows;  // of the output; padding is not compared
};

const PeerCase kPeerCases[] = {
    {"orvrotflip rotation-angle=90", "videoflip video-direction=90r", "video/x-raw,format=BGR,width=321,height=241", 723, 724, 321},
    {"orvrotflip rotation-angle=270", "videoflip video-direction=90l", "video/x-raw,format=BGRx,width=64,height=48", 192, 192, 64},
    {"orvrotflip rotation-angle=180", "videoflip video-direction=180", "video/x-raw,format=GRAY8,width=321,height=240", 321, 324, 240},
    {"orvrotflip flip-h=true", "videoflip video-direction=horiz", "video/x-raw,format=BGR,width=321,height=240", 963, 964, 240},
    {"orvrotflip flip-v=true", "videoflip video-direction=vert", "video/x-raw,format=BGRA,width=65,height=48", 260, 260, 48},
    {"orvrotflip rotation-angle=90 flip-h=true", "videoflip video-direction=ul-lr", "video/x-raw,format=BGR,width=64,height=48", 144, 144, 64},
    {"orvroi left=16 top=10 width=64 height=20", "videocrop left=16 top=10 right=241 bottom=210", "video/x-raw,format=BGR,width=321,height=240", 192, 192, 20},
    {"orvroi left=8 top=3 width=40 height=30", "videocrop left=8 top=3 right=16 bottom=15", "video/x-raw,format=BGRx,width=64,height=48", 160, 160, 30},
    {"orvroi left=8 top=3 width=40 height=30", "videocrop left=8 top=3 right=17 bottom=15", "video/x-raw,format=GRAY8,width=65,height=48", 40, 40, 30},
    {"orvroi left=8 top=3 width=40 height=30", "videocrop left=8 top=3 right=16 bottom=15", "video/x-raw,format=UYVY,width=64,height=48", 80, 80, 30},
    {"orvbayer2y800", "capssetter replace=true caps=\"video/x-raw,format=GRAY8,width=322,height=240,framerate=30/1\"",
     "video/x-bayer,format=rggb,width=322,height=240,framerate=30/1", 322, 324, 240},
};

TEST_F(GstElements, OutputEqualsGStreamersOwnElements) {
  for (const PeerCase& c : kPeerCases) {
    std::vector<GstBuffer*> in = testFrames(c.caps, 3);
    std::vector<GstBuffer*> ours = run(c.element, c.caps, in);
    std::vector<GstBuffer*> theirs = run(c.peer, c.caps, in);
    ASSERT_EQ(ours.size(), theirs.size()) << c.element;
    for (size_t i = 0; i < ours.size(); ++i)
      EXPECT_EQ(rowsOf(ours[i], c.rowBytes, c.stride, c.rows), rowsOf(theirs[i], c.rowBytes, c.stride, c.rows))
          << c.element << " against " << c.peer << " on " << c.caps << " frame " << i;
    unrefAll(in);
    unrefAll(ours);
    unrefAll(theirs);
  }
}

// ---- Output against the same filter through pixrt ---------------------------

struct HostCase {
  const char* element;
  const char* filter;
  const char* params;  // the filter's parameter text
  const char* caps;
  GUID subtype;  // of the input
  int width, height;
  size_t inStride;
  int outBytesPerPixel;
  bool throughPng;  // the frames reach the element as PNG files through pngdec
};

const HostCase kHostCases[] = {
    {"orvdebayer mode=edge-sensing ! capsfilter caps=video/x-raw,format=BGR", "DeBayer", "{\"Mode\":2,\"Start Pattern\":3}",
     "video/x-bayer,format=grbg,width=322,height=241", MEDIASUBTYPE_BY8, 322, 241, roundUp4(322), 3, false},
    {"orvdebayer mode=bilinear ! capsfilter caps=video/x-raw,format=BGRx", "DeBayer", "{\"Mode\":1,\"Start Pattern\":2}",
     "video/x-bayer,format=rggb,width=64,height=48", MEDIASUBTYPE_BY8, 64, 48, 64, 4, false},
    {"orvdebayer mode=nearest start-pattern=GB ! capsfilter caps=video/x-raw,format=BGR", "DeBayer", "{\"Mode\":0,\"Start Pattern\":1}",
     "video/x-raw,format=GRAY8,width=321,height=240", MEDIASUBTYPE_Y800, 321, 240, roundUp4(321), 3, false},
    {"pngdec ! orvdebayer mode=edge-sensing start-pattern=BG ! capsfilter caps=video/x-raw,format=BGR", "DeBayer", "{\"Mode\":2,\"Start Pattern\":3}",
     "video/x-raw,format=GRAY8,width=160,height=120,framerate=1/1", MEDIASUBTYPE_Y800, 160, 120, 160, 3, true},
    {"orvdenoise denoise-level=1", "DeNoise", "{\"DeNoise Level\":1}", "video/x-raw,format=GRAY8,width=321,height=240",
     MEDIASUBTYPE_Y800, 321, 240, roundUp4(321), 1, false},
    {"orvrotflip rotation-angle=90", "Rotate Flip", "{\"Rotation Angle\":90}",
     "video/x-raw,format=GRAY8,width=321,height=240", MEDIASUBTYPE_Y800, 321, 240, roundUp4(321), 1, false},
};

TEST_F(GstElements, OutputEqualsTheSameFilterThroughPixrt) {
  for (const HostCase& c : kHostCases) {
    std::vector<GstBuffer*> in = testFrames(c.caps, 4);
    std::vector<GstBuffer*> pushed = in;
    std::string pushedCaps = c.caps;
    if (c.throughPng) {
      pushed = run("pngenc", c.caps, in);
      pushedCaps = "image/png";
    }
    std::vector<GstBuffer*> ours = run(c.element, pushedCaps, pushed);

    orv_test::FilterRef filter(orv::utf8ToUtf16(c.filter).c_str());
    ASSERT_TRUE(Pixlib::restoreFrameFilterData(filter.params(), c.params)) << c.params;
    Pixlib::FilterChain chain;
    chain.append(filter.p, c.filter);
    std::string error;
    // DeBayer is handed GStreamer's top-down mosaic declared bottom-up, so
    // that it writes its output rows in the same order.
    const LONG height = std::string(c.filter) == "DeBayer" ? -c.height : c.height;
    ASSERT_TRUE(chain.negotiate(FrameTypeInfo(c.subtype, c.width, height, 0), error)) << error;
    ASSERT_TRUE(chain.start(error)) << error;
    const FrameTypeInfo& outType = chain.outputTypeOf(0);
    const size_t outRow = size_t(outType.dim.cx) * c.outBytesPerPixel;
    const size_t outRows = size_t(Pixlib::frameRows(outType));
    size_t emitted = 0;
    for (GstBuffer* b : in) {
      std::vector<BYTE> packed = packedRows(bytesOf(b), c.inStride, size_t(c.width) * (c.subtype == MEDIASUBTYPE_BY8 || c.subtype == MEDIASUBTYPE_Y800 ? 1 : 3), c.height);
      FrameTypeInfo type(c.subtype, c.width, height, 0);
      type.buffersize = Pixlib::calcRequiredBuffersize(type);
      if (chain.push(Pixlib::FrameBuffer(type, packed.data())) != 1) continue;
      ASSERT_LT(emitted, ours.size()) << c.element;
      // The chain settles on the filter's first output type; RGB32 is
      // compared with BGR by leaving out the fourth bytes.
      const BYTE* ref = chain.outputOf(0)->getBufferPtr();
      const size_t refBpp = outType.getBitsPerPixel() / 8;
      std::vector<BYTE> expected;
      for (size_t p = 0; p < outRows * outType.dim.cx; ++p)
        expected.insert(expected.end(), ref + p * refBpp, ref + p * refBpp + c.outBytesPerPixel);
      const std::vector<BYTE> got = packedRows(bytesOf(ours[emitted]), roundUp4(outRow), outRow, outRows);
      EXPECT_EQ(got, expected) << c.element << " frame " << emitted;
      ++emitted;
    }
    EXPECT_EQ(emitted, ours.size()) << c.element;
    chain.stop();
    if (c.throughPng) unrefAll(pushed);
    unrefAll(in);
    unrefAll(ours);
  }
}

// DeBayer's rows follow GStreamer's order: a mosaic bright in its top half
// gives a colour frame bright in its top half.
TEST_F(GstElements, DeBayerKeepsTheRowOrder) {
  GstBuffer* frame = gst_buffer_new_allocate(nullptr, 64 * 48, nullptr);
  gst_buffer_memset(frame, 0, 0, 64 * 48);
  gst_buffer_memset(frame, 0, 255, 64 * 24);
  std::vector<GstBuffer*> in{frame};
  std::vector<GstBuffer*> out = run("orvdebayer ! capsfilter caps=video/x-raw,format=BGRx", "video/x-bayer,format=rggb,width=64,height=48", in);
  ASSERT_EQ(out.size(), 1u);
  const std::vector<BYTE> bytes = bytesOf(out[0]);
  EXPECT_EQ(bytes[4 * 64 * 2 + 1], 255);   // row 2, green
  EXPECT_EQ(bytes[4 * 64 * 45 + 1], 0);    // row 45
  unrefAll(in);
  unrefAll(out);
}

// The caps' Bayer pattern picks the start pattern: every pattern gives
// nearly the colours bayer2rgb gives (the two interpolate differently).
TEST_F(GstElements, DeBayerColoursMatchBayer2rgbForEveryPattern) {
  for (const char* pattern : {"rggb", "gbrg", "grbg", "bggr"}) {
    const std::string caps = std::string("video/x-bayer,format=") + pattern + ",width=64,height=48,framerate=30/1";
    std::vector<GstBuffer*> in = testFrames(caps, 1, "smpte");
    std::vector<GstBuffer*> ours = run("orvdebayer mode=bilinear ! capsfilter caps=video/x-raw,format=BGRx", caps, in);
    std::vector<GstBuffer*> theirs = run("bayer2rgb ! capsfilter caps=video/x-raw,format=BGRx", caps, in);
    ASSERT_EQ(ours.size(), 1u);
    ASSERT_EQ(theirs.size(), 1u);
    const std::vector<BYTE> a = bytesOf(ours[0]), b = bytesOf(theirs[0]);
    double difference = 0;
    for (size_t i = 0; i < a.size(); ++i) difference += i % 4 == 3 ? 0 : std::abs(int(a[i]) - int(b[i]));
    EXPECT_LT(difference / (64 * 48 * 3), 12.0) << pattern;
    unrefAll(in);
    unrefAll(ours);
    unrefAll(theirs);
  }
}

// A buffer's own video meta sets its rows: padded rows are taken as they
// are laid out; rows that overlap or run backwards are an error.
TEST_F(GstElements, RowsFollowTheBuffersVideoMeta) {
  const char* caps = "video/x-raw,format=GRAY8,width=64,height=48";
  std::vector<GstBuffer*> in = testFrames(caps, 1);
  std::vector<GstBuffer*> expected = run("orvrotflip flip-h=true", caps, in);
  ASSERT_EQ(expected.size(), 1u);
  const std::vector<BYTE> packed = bytesOf(in[0]);
  struct MetaCase {
    gint stride;
    gsize offset;
    GstFlowReturn flow;
  } const cases[] = {{80, 16, GST_FLOW_OK}, {32, 0, GST_FLOW_ERROR}, {-64, 47 * 64, GST_FLOW_ERROR}};
  for (const MetaCase& c : cases) {
    // The frame's rows at the meta's places in a buffer large enough for any of them.
    GstBuffer* b = gst_buffer_new_allocate(nullptr, 16 + 80 * 48, nullptr);
    for (size_t r = 0; r < 48; ++r)
      if (c.stride >= 64) gst_buffer_fill(b, c.offset + r * c.stride, &packed[r * 64], 64);
    gsize offsets[GST_VIDEO_MAX_PLANES] = {c.offset};
    gint strides[GST_VIDEO_MAX_PLANES] = {c.stride};
    gst_buffer_add_video_meta_full(b, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_GRAY8, 64, 48, 1, offsets, strides);
    GstHarness* h = gst_harness_new_parse("orvrotflip flip-h=true");
    gst_harness_set_src_caps_str(h, caps);
    EXPECT_EQ(gst_harness_push(h, b), c.flow) << "stride " << c.stride;
    if (c.flow == GST_FLOW_OK) {
      GstBuffer* out = gst_harness_pull(h);
      EXPECT_EQ(bytesOf(out), bytesOf(expected[0]));
      gst_buffer_unref(out);
    }
    gst_harness_teardown(h);
  }
  unrefAll(in);
  unrefAll(expected);
}

// ---- Properties while PLAYING -------------------------------------------------

struct LiveCase {
  const char* element;
  const char* caps;
  const char* property;
  const char* value;
  bool accepted;
};

const LiveCase kLiveCases[] = {
    {"orvrotflip", "video/x-raw,format=BGR,width=64,height=48", "flip-h", "true", true},
    {"orvrotflip", "video/x-raw,format=BGR,width=64,height=48", "rotation-angle", "180", true},
    {"orvrotflip", "video/x-raw,format=BGR,width=64,height=48", "rotation-angle", "90", false},
    {"orvroi width=32 height=16", "video/x-raw,format=BGR,width=64,height=48", "top", "20", true},
    {"orvroi width=32 height=16", "video/x-raw,format=BGR,width=64,height=48", "width", "16", false},
    {"orvdenoise", "video/x-raw,format=GRAY8,width=64,height=48", "denoise-level", "3", false},
    {"orvdebayer", "video/x-raw,format=GRAY8,width=64,height=48", "mode", "nearest", true},
    {"orvdebayer", "video/x-bayer,format=rggb,width=64,height=48", "start-pattern", "RG", false},
};

// The first of our elements in a harness's bin, with a reference.
GstElement* ourElement(GstElement* bin) {
  GstIterator* it = gst_bin_iterate_elements(GST_BIN(bin));
  GValue v = G_VALUE_INIT;
  GstElement* found = nullptr;
  while (!found && gst_iterator_next(it, &v) == GST_ITERATOR_OK) {
    GstElement* e = GST_ELEMENT(g_value_get_object(&v));
    if (g_str_has_prefix(G_OBJECT_TYPE_NAME(e), "GstOrv")) found = GST_ELEMENT(gst_object_ref(e));
    g_value_reset(&v);
  }
  g_value_unset(&v);
  gst_iterator_free(it);
  return found;
}

TEST_F(GstElements, PropertyChangesWhilePlaying) {
  for (const LiveCase& c : kLiveCases) {
    GstHarness* h = gst_harness_new_parse(c.element);
    GstBus* bus = gst_bus_new();
    gst_element_set_bus(h->element, bus);
    gst_harness_set_src_caps_str(h, c.caps);
    std::vector<GstBuffer*> in = testFrames(c.caps, 2);
    ASSERT_EQ(gst_harness_push(h, gst_buffer_ref(in[0])), GST_FLOW_OK) << c.element;
    GstElement* element = ourElement(h->element);
    ASSERT_TRUE(element) << c.element;
    GObjectClass* klass = G_OBJECT_GET_CLASS(element);
    GParamSpec* property = g_object_class_find_property(klass, c.property);
    ASSERT_TRUE(property) << c.property;
    GValue before = G_VALUE_INIT, wanted = G_VALUE_INIT, after = G_VALUE_INIT;
    g_value_init(&before, property->value_type);
    g_value_init(&wanted, property->value_type);
    g_value_init(&after, property->value_type);
    g_object_get_property(G_OBJECT(element), c.property, &before);
    ASSERT_TRUE(gst_value_deserialize(&wanted, c.value)) << c.value;
    g_object_set_property(G_OBJECT(element), c.property, &wanted);
    g_object_get_property(G_OBJECT(element), c.property, &after);
    GstMessage* warning = gst_bus_pop_filtered(bus, GST_MESSAGE_WARNING);
    EXPECT_EQ(gst_harness_push(h, gst_buffer_ref(in[1])), GST_FLOW_OK) << c.element;
    if (c.accepted) {
      EXPECT_FALSE(warning) << c.element << " " << c.property;
      EXPECT_EQ(gst_value_compare(&after, &wanted), GST_VALUE_EQUAL) << c.element << " " << c.property;
    } else {
      ASSERT_TRUE(warning) << c.element << " " << c.property;
      GError* error = nullptr;
      gst_message_parse_warning(warning, &error, nullptr);
      EXPECT_NE(std::string(error->message).find(c.property), std::string::npos) << error->message;
      g_error_free(error);
      EXPECT_EQ(gst_value_compare(&after, &before), GST_VALUE_EQUAL) << c.element << " " << c.property;
    }
    if (warning) gst_message_unref(warning);
    g_value_unset(&before);
    g_value_unset(&wanted);
    g_value_unset(&after);
    gst_object_unref(element);
    gst_element_set_bus(h->element, nullptr);
    gst_object_unref(bus);
    unrefAll(in);
    gst_harness_teardown(h);
  }
}

// ---- DeNoise timestamps -------------------------------------------------------

TEST_F(GstElements, DeNoiseStampsEachRunAndDropsPartialRunsOnFlush) {
  const char* caps = "video/x-raw,format=GRAY8,width=32,height=24,framerate=25/1";
  GstHarness* h = gst_harness_new_parse("orvdenoise denoise-level=2");
  gst_harness_set_src_caps_str(h, caps);
  std::vector<GstBuffer*> in = testFrames(caps, 14);
  const GstClockTime frame = GST_SECOND / 25;
  auto push = [&](size_t i) {
    GstBuffer* b = gst_buffer_copy(in[i]);
    GST_BUFFER_PTS(b) = i * frame;
    GST_BUFFER_DURATION(b) = frame;
    EXPECT_EQ(gst_harness_push(h, b), GST_FLOW_OK);
  };
  for (size_t i = 0; i < 8; ++i) push(i);
  for (GstClockTime start : {GstClockTime(0), 4 * frame}) {
    GstBuffer* out = gst_harness_try_pull(h);
    ASSERT_TRUE(out);
    EXPECT_EQ(GST_BUFFER_PTS(out), start);
    EXPECT_EQ(GST_BUFFER_DURATION(out), 4 * frame);
    gst_buffer_unref(out);
  }
  EXPECT_FALSE(gst_harness_try_pull(h));
  push(8);
  push(9);
  gst_harness_push_event(h, gst_event_new_flush_start());
  gst_harness_push_event(h, gst_event_new_flush_stop(TRUE));
  gst_harness_set_src_caps_str(h, caps);
  for (size_t i = 10; i < 14; ++i) push(i);
  GstBuffer* out = gst_harness_try_pull(h);
  ASSERT_TRUE(out);
  EXPECT_EQ(GST_BUFFER_PTS(out), 10 * frame);
  gst_buffer_unref(out);
  GstCaps* outCaps = gst_pad_get_current_caps(h->sinkpad);
  gint n = 0, d = 0;
  gst_structure_get_fraction(gst_caps_get_structure(outCaps, 0), "framerate", &n, &d);
  EXPECT_EQ(n * 4, d * 25);
  gst_caps_unref(outCaps);
  unrefAll(in);
  gst_harness_teardown(h);
}

// ---- State cycles ---------------------------------------------------------------

// The objects GStreamer's leaks tracer sees alive.
std::vector<std::string> liveObjects() {
  GList* tracers = gst_tracing_get_active_tracers();
  std::vector<std::string> names;
  for (GList* t = tracers; t; t = t->next) {
    if (!g_str_has_prefix(G_OBJECT_TYPE_NAME(t->data), "GstLeaksTracer")) continue;
    GstStructure* live = nullptr;
    g_signal_emit_by_name(t->data, "get-live-objects", &live);
    const GValue* list = gst_structure_get_value(live, "live-objects-list");
    for (guint i = 0; i < gst_value_list_get_size(list); ++i) {
      const GstStructure* o = gst_value_get_structure(gst_value_list_get_value(list, i));
      gchar* text = gst_structure_to_string(o);
      names.push_back(text);
      g_free(text);
    }
    gst_structure_free(live);
  }
  g_list_free(tracers);  // GStreamer 1.22 hands out the tracers without a reference
  return names;
}

TEST_F(GstElements, StateCyclesLeaveNothingBehind) {
  const std::string launch =
      "videotestsrc num-buffers=5 ! video/x-bayer,format=grbg,width=66,height=48 ! tee name=t ! queue ! orvdebayer "
      "! orvrotflip rotation-angle=90 ! orvroi width=32 height=32 ! orvdenoise denoise-level=1 ! fakesink "
      "t. ! queue ! orvbayer2y800 ! fakesink";
  // Loading the plug-ins leaves their registry objects behind: done first.
  gst_object_unref(gst_parse_launch(launch.c_str(), nullptr));
  // Every element of the plug-in takes part.
  GList* features = gst_registry_get_feature_list_by_plugin(gst_registry_get(), "orvfilters");
  EXPECT_TRUE(features);
  for (GList* f = features; f; f = f->next)
    EXPECT_NE(launch.find(std::string(gst_plugin_feature_get_name(f->data)) + " "), std::string::npos)
        << gst_plugin_feature_get_name(f->data);
  gst_plugin_feature_list_free(features);
  const std::vector<std::string> before = liveObjects();
  GstElement* pipeline = gst_parse_launch(launch.c_str(), nullptr);
  ASSERT_TRUE(pipeline);
  for (int cycle = 0; cycle < 2; ++cycle) {
    ASSERT_NE(gst_element_set_state(pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_TRUE(m);
    EXPECT_EQ(GST_MESSAGE_TYPE(m), GST_MESSAGE_EOS);
    gst_message_unref(m);
    gst_object_unref(bus);
    ASSERT_EQ(gst_element_set_state(pipeline, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  }
  gst_object_unref(pipeline);
  // A source's streaming task is released by its thread as that ends.
  std::vector<std::string> after = liveObjects();
  for (int wait = 0; wait < 100 && after != before; ++wait) {
    g_usleep(20000);
    after = liveObjects();
  }
  EXPECT_EQ(after, before);
}

}  // namespace
