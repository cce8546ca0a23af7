// Frames per second of each element against the element a user would pick
// instead, over the same pre-made buffers pushed through GstHarness (a test
// source would cost more than the elements and hide their difference).
// Frames come from memory: 16 distinct frames of up to 20 MB cycle, more
// than the caches hold. A second table sets rows the module takes as they
// are against rows the element copies: the same element on a width whose
// rows GStreamer stores packed and on one two pixels narrower, whose rows it
// pads to 4 bytes; once with one small frame that stays in the caches, once
// with large frames from memory. Not a test: it prints tables.
//
//   GST_PLUGIN_PATH=build/lib/gstreamer-1.0 build/bin/bench_gst_elements [seconds per case] [rows]
// ("rows": only the second table)
#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Case {
  const char* what;
  std::string ours, peer;
  std::string caps;
};

std::vector<GstBuffer*> frames(const std::string& caps, int count) {
  const std::string launch = "videotestsrc pattern=zone-plate kx2=20 ky2=20 kt=1 ! capsfilter caps=\"" + caps + "\"";
  GstHarness* src = gst_harness_new_parse(launch.c_str());
  gst_harness_play(src);
  std::vector<GstBuffer*> list;
  for (int i = 0; i < count; ++i) list.push_back(gst_harness_pull(src));
  gst_harness_teardown(src);
  return list;
}

double framesPerSecond(const std::string& launch, const std::string& caps, const std::vector<GstBuffer*>& in,
                       double seconds) {
  GstHarness* h = gst_harness_new_parse(launch.c_str());
  gst_harness_set_src_caps_str(h, caps.c_str());
  using Clock = std::chrono::steady_clock;
  auto push = [&](GstBuffer* b) {
    gst_harness_push(h, gst_buffer_ref(b));
    while (GstBuffer* out = gst_harness_try_pull(h)) gst_buffer_unref(out);
  };
  for (GstBuffer* b : in) push(b);  // negotiation and warm-up
  long n = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  do {
    push(in[n % in.size()]);
    ++n;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  gst_harness_teardown(h);
  return n / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  const bool onlyRows = argc > 2 && std::string(argv[2]) == "rows";
  if (!onlyRows) std::printf("%-28s %-10s %10s %10s %7s\n", "case", "size", "ours fps", "peer fps", "ratio");
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{2448, 2048}}) {
    if (onlyRows) break;
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string dims = ",width=" + std::to_string(w) + ",height=" + std::to_string(h) + ",framerate=30/1";
    const std::string bayer = "video/x-bayer,format=grbg" + dims;
    const std::string bgrx = "video/x-raw,format=BGRx" + dims;
    const std::string crop = "left=64 top=64 width=" + std::to_string(w / 2) + " height=" + std::to_string(h / 2);
    const std::string cropPeer = "left=64 top=64 right=" + std::to_string(w - 64 - w / 2) +
                                 " bottom=" + std::to_string(h - 64 - h / 2);
    const Case cases[] = {
        {"DeBayer to BGRx", "orvdebayer mode=bilinear ! capsfilter caps=video/x-raw,format=BGRx",
         "bayer2rgb ! capsfilter caps=video/x-raw,format=BGRx", bayer},
        {"DeBayer to BGR", "orvdebayer mode=bilinear ! capsfilter caps=video/x-raw,format=BGR",
         "bayer2rgb ! videoconvert ! capsfilter caps=video/x-raw,format=BGR", bayer},
        {"quarter turn BGRx", "orvrotflip rotation-angle=90", "videoflip video-direction=90r", bgrx},
        {"mirror BGRx", "orvrotflip flip-h=true", "videoflip video-direction=horiz", bgrx},
        {"upside down BGRx", "orvrotflip flip-v=true", "videoflip video-direction=vert", bgrx},
        {"crop BGRx", "orvroi " + crop, "videocrop " + cropPeer, bgrx},
    };
    for (const Case& c : cases) {
      std::vector<GstBuffer*> in = frames(c.caps, 16);
      const double ours = framesPerSecond(c.ours, c.caps, in, seconds);
      const double peer = framesPerSecond(c.peer, c.caps, in, seconds);
      std::printf("%-28s %-10s %10.1f %10.1f %6.2fx\n", c.what, size.c_str(), ours, peer, ours / peer);
      for (GstBuffer* b : in) gst_buffer_unref(b);
    }
  }

  // Direct against copied rows: the packed width is the reference.
  struct RowCase {
    const char* what;
    std::string element;
    const char* media;
    const char* where;
    int width, height, frames;
  };
  const RowCase rowCases[] = {
      {"mirror, rows in and out", "orvrotflip flip-h=true", "video/x-raw,format=GRAY8", "caches", 320, 240, 1},
      {"mirror, rows in and out", "orvrotflip flip-h=true", "video/x-raw,format=GRAY8", "memory", 2448, 2048, 16},
      {"DeBayer to BGRx, rows in", "orvdebayer mode=bilinear ! capsfilter caps=video/x-raw,format=BGRx",
       "video/x-bayer,format=grbg", "caches", 320, 240, 1},
      {"DeBayer to BGRx, rows in", "orvdebayer mode=bilinear ! capsfilter caps=video/x-raw,format=BGRx",
       "video/x-bayer,format=grbg", "memory", 2448, 2048, 16},
  };
  std::printf("\n%-26s %-7s %-20s %10s %10s %7s\n", "rows direct / copied", "frames", "widths", "direct", "copied",
              "ratio");
  for (const RowCase& c : rowCases) {
    double fps[2];
    for (int copied = 0; copied < 2; ++copied) {
      const std::string caps = std::string(c.media) + ",width=" + std::to_string(c.width - 2 * copied) +
                               ",height=" + std::to_string(c.height) + ",framerate=30/1";
      std::vector<GstBuffer*> in = frames(caps, c.frames);
      fps[copied] = framesPerSecond(c.element, caps, in, seconds);
      for (GstBuffer* b : in) gst_buffer_unref(b);
    }
    const std::string widths = std::to_string(c.width) + "/" + std::to_string(c.width - 2) + "x" +
                               std::to_string(c.height);
    std::printf("%-26s %-7s %-20s %10.1f %10.1f %6.2fx\n", c.what, c.where, widths.c_str(), fps[0], fps[1],
                fps[1] / fps[0]);
  }
  return 0;
}
