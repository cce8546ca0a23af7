// Frames per second of each element against the element a user would pick
// instead, over the same pre-made buffers pushed through GstHarness (a test
// source would cost more than the elements and hide their difference).
// Frames come from memory: 16 distinct frames of up to 20 MB cycle, more
// than the caches hold. Not a test: it prints a table.
//
//   GST_PLUGIN_PATH=build/lib/gstreamer-1.0 build/bin/bench_gst_elements [seconds per case]
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
  std::printf("%-28s %-10s %10s %10s %7s\n", "case", "size", "ours fps", "peer fps", "ratio");
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{2448, 2048}}) {
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
  return 0;
}
