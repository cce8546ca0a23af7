// Throughput of the sixteen rotation and mirror cases at 1, 3 and 4 bytes
// per pixel, against a memcpy of the frame and, when installed, against
// libyuv and OpenCV doing the same turn or mirror, all in one run.
//
// A summary table follows the usual benchmark output; with repetitions it
// uses the median of each benchmark. Select parts with --benchmark_filter,
// e.g. '2448x2048/B4/' or '/case0[4-7]', and the instruction set level of
// the kernels with --level=c|sse2|avx2 (default: what the processor has).
//
// The "transform/" benchmarks time the filter's transform as a host calls
// it, one thread, on frames in the caches and from memory, against its peers
// on the same buffers, for every destination placement of --offsets=...
// (bytes against the source modulo 4096); their table gives each cell's
// worst placement. Only them: --benchmark_filter=^transform/
// On a shared machine take the medians of five interleaved repetitions
// (--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true):
// with three, one slow spell of the machine can set a cell's worst placement.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "placed_frames.h"
#include "platform/cpu.h"
#include "rotflip.h"
#include "rotflip/rotflip_frames.h"

#if defined(ORV_HAVE_LIBYUV)
#include <libyuv.h>
#endif
#if defined(ORV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#endif

namespace {

using orv_filter::RotFlipFrames;

struct FrameSize {
  LONG w, h;
};
constexpr FrameSize kSizes[] = {{2448, 2048}, {2048, 2448}, {1920, 1080}};
constexpr unsigned kPixelBytes[] = {1, 3, 4};

// What a case does to the displayed image; peers are compared per effect.
enum class Effect { copy, mirrorLR, mirrorTB, halfTurn, quarterTurn };
constexpr Effect kCaseEffect[16] = {Effect::copy,        Effect::mirrorLR,    Effect::mirrorTB,    Effect::halfTurn,
                                    Effect::quarterTurn, Effect::quarterTurn, Effect::quarterTurn, Effect::quarterTurn,
                                    Effect::halfTurn,    Effect::mirrorTB,    Effect::mirrorLR,    Effect::copy,
                                    Effect::quarterTurn, Effect::quarterTurn, Effect::quarterTurn, Effect::quarterTurn};
constexpr const char* kCaseName[16] = {
    "copy (memcpy)", "mirror LR", "mirror TB", "half turn", "turn cw",  "transpose",      "anti-transpose", "turn ccw",
    "half turn",     "mirror TB", "mirror LR", "copy",      "turn ccw", "anti-transpose", "transpose",      "turn cw"};

// One source and one destination, large enough for every frame, shared by
// all benchmarks so that page faults stay out of the timings.
struct Buffers {
  std::vector<BYTE> src, dst;
  Buffers() : src(static_cast<std::size_t>(2448) * 2448 * 4), dst(src.size()) {
    std::mt19937 gen(1);
    for (BYTE& b : src) b = static_cast<BYTE>(gen());
    std::fill(dst.begin(), dst.end(), BYTE{0});
  }
};
Buffers& buffers() {
  static Buffers b;
  return b;
}

using FrameOp = void (*)(const BYTE* src, BYTE* dst, LONG w, LONG h, unsigned b);

struct Peer {
  const char* name;
  Effect effect;
  unsigned bytes;  // 0: any pixel size
  FrameOp op;
};

#if defined(ORV_HAVE_LIBYUV)
void yuvRotate(const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b, libyuv::RotationMode mode) {
  const LONG dw = (mode == libyuv::kRotate90 || mode == libyuv::kRotate270) ? h : w;
  if (b == 1) {
    libyuv::RotatePlane(s, w, d, dw, w, h, mode);
  } else {
    libyuv::ARGBRotate(s, w * 4, d, dw * 4, w, h, mode);
  }
}
#endif

#if defined(ORV_HAVE_OPENCV)
cv::Mat mat(const BYTE* p, LONG w, LONG h, unsigned b) {
  return cv::Mat(h, w, CV_8UC(static_cast<int>(b)), const_cast<BYTE*>(p));
}
#endif

const Peer kPeers[] = {
#if defined(ORV_HAVE_LIBYUV)
    {"libyuv RotatePlane90", Effect::quarterTurn, 1,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) { yuvRotate(s, d, w, h, b, libyuv::kRotate90); }},
    {"libyuv ARGBRotate90", Effect::quarterTurn, 4,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) { yuvRotate(s, d, w, h, b, libyuv::kRotate90); }},
    {"libyuv RotatePlane180", Effect::halfTurn, 1,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) { yuvRotate(s, d, w, h, b, libyuv::kRotate180); }},
    {"libyuv ARGBRotate180", Effect::halfTurn, 4,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) { yuvRotate(s, d, w, h, b, libyuv::kRotate180); }},
    {"libyuv MirrorPlane", Effect::mirrorLR, 1,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned) { libyuv::MirrorPlane(s, w, d, w, w, h); }},
    {"libyuv RGB24Mirror", Effect::mirrorLR, 3,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned) { libyuv::RGB24Mirror(s, w * 3, d, w * 3, w, h); }},
    {"libyuv ARGBMirror", Effect::mirrorLR, 4,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned) { libyuv::ARGBMirror(s, w * 4, d, w * 4, w, h); }},
    {"libyuv CopyPlane -h", Effect::mirrorTB, 1,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned) { libyuv::CopyPlane(s, w, d, w, w, -h); }},
    {"libyuv ARGBCopy -h", Effect::mirrorTB, 4,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned) { libyuv::ARGBCopy(s, w * 4, d, w * 4, w, -h); }},
#endif
#if defined(ORV_HAVE_OPENCV)
    {"OpenCV rotate 90", Effect::quarterTurn, 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
       cv::Mat out = mat(d, h, w, b);
       cv::rotate(mat(s, w, h, b), out, cv::ROTATE_90_CLOCKWISE);
     }},
    {"OpenCV rotate 180", Effect::halfTurn, 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
       cv::Mat out = mat(d, w, h, b);
       cv::rotate(mat(s, w, h, b), out, cv::ROTATE_180);
     }},
    {"OpenCV flip 1", Effect::mirrorLR, 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
       cv::Mat out = mat(d, w, h, b);
       cv::flip(mat(s, w, h, b), out, 1);
     }},
    {"OpenCV flip 0", Effect::mirrorTB, 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
       cv::Mat out = mat(d, w, h, b);
       cv::flip(mat(s, w, h, b), out, 0);
     }},
#endif
    {nullptr, Effect::copy, 0, nullptr},
};

// What each registered benchmark measured, for the summary.
struct Entry {
  unsigned size;  // index into kSizes
  unsigned bytes;
  int caseIndex;  // -1 for a peer
  const Peer* peer;
};
std::map<std::string, Entry>& entries() {
  static std::map<std::string, Entry> e;
  return e;
}

std::string prefix(const FrameSize& s, unsigned b) {
  return std::to_string(s.w) + "x" + std::to_string(s.h) + "/B" + std::to_string(b) + "/";
}

double pixels(const FrameSize& s) { return static_cast<double>(s.w) * s.h; }

void registerAll() {
  for (unsigned si = 0; si < std::size(kSizes); ++si) {
    const FrameSize s = kSizes[si];
    for (unsigned b : kPixelBytes) {
      for (int index = 0; index < 16; ++index) {
        char name[16];
        std::snprintf(name, sizeof name, "case%02d", index);
        const std::string full = prefix(s, b) + name;
        entries()[full] = Entry{si, b, index, nullptr};
        benchmark::RegisterBenchmark(full.c_str(), [s, b, index](benchmark::State& state) {
          Buffers& buf = buffers();
          const std::size_t bytes = static_cast<std::size_t>(s.w) * s.h * b;
          const bool quarter = kCaseEffect[index] == Effect::quarterTurn;
          const RotFlipFrames f{buf.src.data(),      buf.dst.data(),      s.w, s.h,
                                quarter ? s.h : s.w, quarter ? s.w : s.h, b,   true};
          for (auto _ : state) {
            if (index == 0) {
              std::memcpy(buf.dst.data(), buf.src.data(), bytes);
            } else if (!orv_filter::rotFlipRawCaseTable[index](f)) {
              state.SkipWithError("case refused the frame");
              break;
            }
            benchmark::ClobberMemory();
          }
          orv_bench::setMPixRate(state, pixels(s));
        })->Unit(benchmark::kMillisecond);
      }
      for (const Peer* p = kPeers; p->name; ++p) {
        if (p->bytes != 0 && p->bytes != b) continue;
        const std::string full = prefix(s, b) + "peer:" + p->name;
        entries()[full] = Entry{si, b, -1, p};
        benchmark::RegisterBenchmark(full.c_str(), [s, b, p](benchmark::State& state) {
          Buffers& buf = buffers();
          for (auto _ : state) {
            p->op(buf.src.data(), buf.dst.data(), s.w, s.h, b);
            benchmark::ClobberMemory();
          }
          orv_bench::setMPixRate(state, pixels(s));
        })->Unit(benchmark::kMillisecond);
      }
    }
  }
}

// The frames and operations timed through the filter's transform.
struct TransformFrame {
  Pixlib::tColorformatEnum format;
  LONG w, h;
  unsigned bytes;
  const char* name;
};
constexpr TransformFrame kTransformFrames[] = {{Pixlib::eRGB32, 1920, 1080, 4, "1920x1080 RGB32"},
                                               {Pixlib::eRGB24, 1920, 1080, 3, "1920x1080 RGB24"},
                                               {Pixlib::eY800, 2048, 2448, 1, "2048x2448 Y800"}};
struct TransformOp {
  const char* name;
  LONG angle;
  bool flipV, flipH;
};
constexpr TransformOp kLineOps[] = {{"mirror TB", 0, true, false}, {"mirror LR", 0, false, true}, {"half turn", 180, false, false}};
constexpr TransformOp kTurnOps[] = {{"turn cw", 90, false, false}, {"turn ccw", 270, false, false}};

// A turned frame's peer: a whole-frame operation at one memory placement.
struct PlacedPeer {
  const char* name;
  unsigned bytes;  // 0: any pixel size
  FrameOp op;
};
const PlacedPeer kTurnPeers[] = {
#if defined(ORV_HAVE_LIBYUV)
    {"libyuv Rotate90", 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) { yuvRotate(s, d, w, h, b, libyuv::kRotate90); }},
    {"libyuv Rotate270", 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) { yuvRotate(s, d, w, h, b, libyuv::kRotate270); }},
#endif
#if defined(ORV_HAVE_OPENCV)
    {"OpenCV rotate cw", 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
       cv::Mat out = mat(d, h, w, b);
       cv::rotate(mat(s, w, h, b), out, cv::ROTATE_90_CLOCKWISE);
     }},
    {"OpenCV rotate ccw", 0,
     [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
       cv::Mat out = mat(d, h, w, b);
       cv::rotate(mat(s, w, h, b), out, cv::ROTATE_90_COUNTERCLOCKWISE);
     }},
#endif
};
// libyuv turns planes and 4-byte pixels only.
bool peerTakes(const PlacedPeer& p, unsigned b) {
  return std::strncmp(p.name, "libyuv", 6) != 0 || b == 1 || b == 4;
}

void transformBench(benchmark::State& state, const TransformFrame& f, const TransformOp& op, orv_bench::Setting setting,
                    std::size_t offset) {
  const std::size_t bytes = std::size_t(f.w) * f.h * f.bytes;
  const orv_bench::PlacedPairs& pairs = orv_bench::placedPairs(bytes, bytes, offset, setting);
  auto* filter = new orv_filter::RotFlipTransform;
  filter->setRotationAngle(op.angle);
  filter->setFlipV(op.flipV);
  filter->setFlipH(op.flipH);
  const Pixlib::FrameTypeInfo in(f.format, f.w, f.h, static_cast<DWORD>(bytes));
  std::vector<Pixlib::FrameTypeInfo> out;
  filter->getTransformOutputTypes(in, out);
  out.at(0).buffersize = static_cast<DWORD>(bytes);
  orv_bench::FrameView src(in, nullptr), dst(out[0], nullptr);
  filter->notifyStart(in, out[0]);
  std::size_t next = 0;
  for (auto _ : state) {
    src.point(const_cast<BYTE*>(pairs.src(next)));
    dst.point(pairs.dst(next++));
    if (!filter->transform(src, dst)) {
      state.SkipWithError("transform refused the frame");
      break;
    }
    benchmark::ClobberMemory();
  }
  filter->notifyStop();
  filter->Release();
  orv_bench::setMPixRate(state, double(f.w) * f.h);
}

void peerBench(benchmark::State& state, const TransformFrame& f, FrameOp op, orv_bench::Setting setting,
               std::size_t offset) {
  const std::size_t bytes = std::size_t(f.w) * f.h * f.bytes;
  const orv_bench::PlacedPairs& pairs = orv_bench::placedPairs(bytes, bytes, offset, setting);
  std::size_t next = 0;
  for (auto _ : state) {
    const std::size_t i = next++;
    op(pairs.src(i), pairs.dst(i), f.w, f.h, f.bytes);
    benchmark::ClobberMemory();
  }
  orv_bench::setMPixRate(state, double(f.w) * f.h);
}

void registerPlaced(const orv_bench::PlacedRun& run, std::function<void(benchmark::State&)> body) {
  orv_bench::placedRuns().push_back(run);
  benchmark::RegisterBenchmark(orv_bench::placedName(run).c_str(), std::move(body))->Unit(benchmark::kMicrosecond);
}

// Mirrors and half turns are held to a memcpy of the frame, quarter turns to
// the faster of the libraries' turns, each at the same placement.
void registerTransforms() {
  using orv_bench::Setting;
  const FrameOp copy = [](const BYTE* s, BYTE* d, LONG w, LONG h, unsigned b) {
    std::memcpy(d, s, std::size_t(w) * h * b);
  };
  for (const Setting setting : {Setting::cached, Setting::memory})
    for (const TransformFrame& f : kTransformFrames) {
      const std::string prefix = std::string("transform/") + orv_bench::settingName(setting) + " " + f.name;
      for (const std::size_t offset : orv_bench::placementOffsets()) {
        const std::string lines = prefix + "/lines", turns = prefix + "/turns";
        for (const TransformOp& op : kLineOps)
          registerPlaced({lines, ">=0.8", offset, op.name, false},
                         [&f, &op, setting, offset](benchmark::State& s) { transformBench(s, f, op, setting, offset); });
        registerPlaced({lines, ">=0.8", offset, "memcpy", true},
                       [&f, copy, setting, offset](benchmark::State& s) { peerBench(s, f, copy, setting, offset); });
        for (const TransformOp& op : kTurnOps)
          registerPlaced({turns, ">=1.5", offset, op.name, false},
                         [&f, &op, setting, offset](benchmark::State& s) { transformBench(s, f, op, setting, offset); });
        for (const PlacedPeer& p : kTurnPeers) {
          if (!peerTakes(p, f.bytes)) continue;
          registerPlaced({turns, ">=1.5", offset, p.name, true},
                         [&f, &p, setting, offset](benchmark::State& s) { peerBench(s, f, p.op, setting, offset); });
        }
      }
    }
}

// The rows of one frame size and pixel size.
void printGroup(const orv_bench::SummaryReporter& r, unsigned si, unsigned b) {
  const auto rate = [&](const std::string& name) {
    return orv_bench::mpixPerSecond(pixels(kSizes[si]), r.median(name));
  };
  double copyRate = 0;
  std::map<Effect, std::pair<const Peer*, double>> best;
  for (const auto& [name, e] : entries()) {
    if (e.size != si || e.bytes != b) continue;
    const double mpix = rate(name);
    if (mpix == 0) continue;
    if (e.caseIndex == 0) copyRate = mpix;
    if (e.peer && mpix > best[e.peer->effect].second) best[e.peer->effect] = {e.peer, mpix};
  }
  for (const auto& [name, e] : entries()) {
    if (e.size != si || e.bytes != b || e.caseIndex < 0) continue;
    const double mpix = rate(name);
    if (mpix == 0) continue;
    char size[24];
    std::snprintf(size, sizeof size, "%dx%d", kSizes[si].w, kSizes[si].h);
    std::printf("%-10s %2u %4d %-15s %9.0f %8.2f", size, b, e.caseIndex, kCaseName[e.caseIndex], mpix,
                copyRate > 0 ? mpix / copyRate : 0.0);
    const auto p = best.find(kCaseEffect[e.caseIndex]);
    if (e.caseIndex != 0 && p != best.end() && p->second.first) {
      std::printf("  %-22s %9.0f %7.2f", p->second.first->name, p->second.second, mpix / p->second.second);
    }
    std::printf("\n");
  }
}

// One table of rates and ratios, from the median of each benchmark. Rates are
// over CPU time, as the MPix/s column of the console output.
void printSummary(const orv_bench::SummaryReporter& r) {
  std::printf("\n%-10s %2s %-4s %-15s %9s %8s  %-22s %9s %7s\n", "size", "B", "case", "effect", "MPix/s", "x memcpy",
              "fastest peer", "MPix/s", "x peer");
  for (unsigned si = 0; si < std::size(kSizes); ++si) {
    for (unsigned b : kPixelBytes) printGroup(r, si, b);
  }
}

// Takes --level=... out of the arguments and masks the processor features.
bool applyLevel(std::vector<char*>& args) {
  const auto it =
      std::find_if(args.begin(), args.end(), [](const char* a) { return std::strncmp(a, "--level=", 8) == 0; });
  if (it == args.end()) return true;
  const std::string level = *it + 8;
  args.erase(it);
  const std::uint32_t sse2 = orv::kCpuMMX | orv::kCpuSSE | orv::kCpuSSE2;
  if (level == "c") {
    orv::setCpuFeatureMask(0);
  } else if (level == "sse2") {
    orv::setCpuFeatureMask(sse2);
  } else if (level != "avx2") {
    std::fprintf(stderr, "unknown --level=%s (c, sse2 or avx2)\n", level.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Short runs by default: the full set is some 250 benchmarks.
  orv_bench::CommandLine cmd(argc, argv, {"--benchmark_min_time=0.2"});
  if (!applyLevel(cmd.args) || !orv_bench::applyOffsets(cmd.args) || !cmd.initialize()) return 1;
  registerAll();
  registerTransforms();
  orv_bench::SummaryReporter reporter(orv_bench::Clock::cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printSummary(reporter);
  orv_bench::printPlacementTable(reporter);
  benchmark::Shutdown();
  return 0;
}
