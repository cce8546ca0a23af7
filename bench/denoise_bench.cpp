// Per-frame cost of the frame-averaging kernels on a 1920 x 1080 RGB24 frame,
// set against memcpy of the frame and, when OpenCV is present, against the same
// averaging done with OpenCV calls. All timings come from the same process run,
// interleaved at random over several repetitions; the table at the end gives
// medians and their ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "denoise_kernels.h"
#include "platform/cpu.h"

#if defined(ORV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#endif

namespace {

using orv_filter::DenoiseKernels;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kFrameBytes = std::size_t{kWidth} * kHeight * 3;
constexpr unsigned kLevel = 2;  // the filter's default: runs of four frames

// The filter's working set: one accumulator, and the frames the host hands in.
// A pool of one source and one destination keeps everything in the last-level
// cache between frames (the best case); a pool the size of a capture queue
// makes every source frame come from memory, as a camera's would.
class Pool {
 public:
  Pool(std::size_t sources, std::size_t dests) : src_(sources), dst_(dests), acc_(kFrameBytes, 3 * 255) {
    std::mt19937 rng(1);
    for (auto& f : src_) {
      f.resize(kFrameBytes);
      std::generate(f.begin(), f.end(), [&] { return static_cast<BYTE>(rng()); });
    }
    for (auto& f : dst_) f.assign(kFrameBytes, 0);
  }
  // The next frame handed in, and the next destination.
  BYTE* src() { return src_[nextSrc_++ % src_.size()].data(); }
  BYTE* dst() { return dst_[nextDst_++ % dst_.size()].data(); }
  std::int16_t* acc() { return acc_.data(); }

 private:
  std::vector<std::vector<BYTE>> src_, dst_;
  std::vector<std::int16_t> acc_;
  std::size_t nextSrc_ = 0, nextDst_ = 0;
};

struct Mode {
  const char* name;
  std::size_t sources, dests;
};
constexpr Mode kModes[] = {{"cached", 1, 1}, {"streamed", 4, 2}};

Pool& pool(const Mode& m) {
  static Pool cached(kModes[0].sources, kModes[0].dests);
  static Pool streamed(kModes[1].sources, kModes[1].dests);
  return m.sources == 1 ? cached : streamed;
}

// Frames per iteration of every registered benchmark.
std::map<std::string, int>& framesPerIteration() {
  static std::map<std::string, int> frames;
  return frames;
}

// Registers `body` once per mode as "<mode>/<name>". Each iteration processes
// `frames` whole frames, so that the reported time can be taken per frame.
template <typename Body>
void registerFrames(const std::string& name, int frames, Body body) {
  for (const Mode& mode : kModes) {
    const std::string full = std::string(mode.name) + "/" + name;
    framesPerIteration()[full] = frames;
    benchmark::RegisterBenchmark(full.c_str(), [=](benchmark::State& state) {
      Pool& p = pool(mode);
      for (auto _ : state) {
        body(p);
        benchmark::ClobberMemory();
      }
      state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * frames * kFrameBytes);
      state.counters["frames"] = frames;
    })->Unit(benchmark::kMicrosecond);
  }
}

struct NamedSet {
  std::string name;
  std::uint32_t needs;
  const DenoiseKernels* kernels;
};

std::vector<NamedSet> kernelSets() {
  std::vector<NamedSet> sets{{"C", 0, &orv_filter::denoiseKernelsFor(0)},
                             {"SSE2", orv::kCpuSSE2, &orv_filter::denoiseKernelsFor(orv::kCpuSSE2)},
                             {"AVX2", orv::kCpuAVX2, &orv_filter::denoiseKernelsFor(orv::kCpuSSE2 | orv::kCpuAVX2)}};
  std::erase_if(sets, [](const NamedSet& s) { return !orv::cpuHas(s.needs); });
  return sets;
}

// A run of 2^kLevel frames: start, accumulate, emit.
void runOfFour(const DenoiseKernels& k, Pool& p) {
  k.startRun(p.acc(), p.src(), kFrameBytes);
  k.accumulate(p.acc(), p.src(), kFrameBytes);
  k.accumulate(p.acc(), p.src(), kFrameBytes);
  k.emit(p.dst(), p.acc(), p.src(), kFrameBytes, kLevel);
}

void registerOurs() {
  for (const NamedSet& s : kernelSets()) {
    const DenoiseKernels* k = s.kernels;
    registerFrames("startRun/" + s.name, 1, [k](Pool& p) { k->startRun(p.acc(), p.src(), kFrameBytes); });
    registerFrames("accumulate/" + s.name, 1, [k](Pool& p) { k->accumulate(p.acc(), p.src(), kFrameBytes); });
    registerFrames("emit/" + s.name, 1, [k](Pool& p) { k->emit(p.dst(), p.acc(), p.src(), kFrameBytes, kLevel); });
    registerFrames("run/" + s.name, 4, [k](Pool& p) { runOfFour(*k, p); });
  }
  registerFrames("memcpy", 1, [](Pool& p) { std::memcpy(p.dst(), p.src(), kFrameBytes); });
}

#if defined(ORV_HAVE_OPENCV)

// floor(x / 2^L) for the non-negative sums of a valid run: convertTo and
// addWeighted round to nearest (ties to even), and the offset moves every
// quotient into the middle of its interval, (x + 0.5) / 2^L - 0.5, which is
// never a tie and is exact in float.
double floorScale(unsigned level) { return 1.0 / double(1u << level); }
double floorOffset(unsigned level) { return 0.5 / double(1u << level) - 0.5; }

cv::Mat frameMat(BYTE* p) { return cv::Mat(kHeight, kWidth, CV_8UC3, p); }
cv::Mat accMat(std::int16_t* p) { return cv::Mat(kHeight, kWidth, CV_16SC3, p); }

void cvStartRun(cv::Mat& acc, const cv::Mat& src) { src.convertTo(acc, CV_16S); }
void cvAccumulate(cv::Mat& acc, const cv::Mat& src) { cv::add(acc, src, acc, cv::noArray(), CV_16S); }
// Two passes: the sum lands in the accumulator (its run is over), then is scaled down.
void cvEmitAddConvert(cv::Mat& dst, cv::Mat& acc, const cv::Mat& src, unsigned level) {
  cv::add(acc, src, acc, cv::noArray(), CV_16S);
  acc.convertTo(dst, CV_8U, floorScale(level), floorOffset(level));
}
// One pass, in floating point.
void cvEmitAddWeighted(cv::Mat& dst, cv::Mat& acc, const cv::Mat& src, unsigned level) {
  cv::addWeighted(acc, floorScale(level), src, floorScale(level), floorOffset(level), dst, CV_8U);
}

using CvEmit = void (*)(cv::Mat&, cv::Mat&, const cv::Mat&, unsigned);
struct CvEmitter {
  const char* name;
  CvEmit emit;
};
const CvEmitter kCvEmitters[] = {{"addConvert", cvEmitAddConvert}, {"addWeighted", cvEmitAddWeighted}};

// Every accumulator value a valid run of `level` can hold, against every
// source byte: does the OpenCV formulation give our bytes?
bool cvEmitIsExact(CvEmit emit, unsigned level) {
  const int accMax = ((1 << level) - 1) * 255;
  const int rows = accMax + 1;
  std::vector<std::int16_t> acc(std::size_t(rows) * 256), accCopy;
  std::vector<BYTE> src(acc.size()), want(acc.size()), got(acc.size(), 0);
  for (int a = 0; a < rows; ++a)
    for (int s = 0; s < 256; ++s) {
      acc[std::size_t(a) * 256 + s] = static_cast<std::int16_t>(a);
      src[std::size_t(a) * 256 + s] = static_cast<BYTE>(s);
    }
  orv_filter::denoiseEmitC(want.data(), acc.data(), src.data(), acc.size(), level);
  cv::Mat accM(rows, 256, CV_16SC1, acc.data()), srcM(rows, 256, CV_8UC1, src.data()),
      dstM(rows, 256, CV_8UC1, got.data());
  emit(dstM, accM, srcM, level);
  return got == want;
}

void registerOpenCv() {
  cv::setNumThreads(1);
  registerFrames("opencv/startRun", 1, [](Pool& p) {
    cv::Mat acc = accMat(p.acc());
    cvStartRun(acc, frameMat(p.src()));
  });
  registerFrames("opencv/accumulate", 1, [](Pool& p) {
    cv::Mat acc = accMat(p.acc());
    cvAccumulate(acc, frameMat(p.src()));
  });
  for (const CvEmitter& e : kCvEmitters) {
    bool exact = true;
    for (unsigned level = 0; level <= 7; ++level) exact = exact && cvEmitIsExact(e.emit, level);
    std::printf("OpenCV emit '%s' %s our bytes at levels 0..7\n", e.name, exact ? "gives" : "does NOT give");
    if (!exact) continue;
    const CvEmit emit = e.emit;
    registerFrames(std::string("opencv/emit/") + e.name, 1, [emit](Pool& p) {
      cv::Mat acc = accMat(p.acc()), dst = frameMat(p.dst());
      emit(dst, acc, frameMat(p.src()), kLevel);
    });
    registerFrames(std::string("opencv/run/") + e.name, 4, [emit](Pool& p) {
      cv::Mat acc = accMat(p.acc()), dst = frameMat(p.dst());
      cvStartRun(acc, frameMat(p.src()));
      cvAccumulate(acc, frameMat(p.src()));
      cvAccumulate(acc, frameMat(p.src()));
      emit(dst, acc, frameMat(p.src()), kLevel);
    });
  }
}

#endif

// Median seconds per frame, or 0 when the benchmark did not run.
double perFrame(const orv_bench::SummaryReporter& r, const std::string& name) {
  const auto frames = framesPerIteration().find(name);
  return frames == framesPerIteration().end() ? 0 : r.median(name) / frames->second;
}

// The cheapest exact OpenCV formulation of `kernel` in `mode`, and its time.
std::pair<std::string, double> cheapestOpenCv(const orv_bench::SummaryReporter& r, const std::string& mode,
                                              const std::string& kernel) {
  std::pair<std::string, double> best{"-", 0};
  for (const char* suffix : {"", "/addConvert", "/addWeighted"}) {
    const std::string name = "opencv/" + kernel + suffix;
    const double t = perFrame(r, mode + "/" + name);
    if (t > 0 && (best.second == 0 || t < best.second)) best = {name, t};
  }
  return best;
}

void printTable(const orv_bench::SummaryReporter& r) {
  std::printf("\nPer frame of %d x %d x 3 bytes, level %u; medians of the repetitions.\n", kWidth, kHeight, kLevel);
  std::printf("run = start, 2 x accumulate, emit: the whole averaging of a run, per frame.\n");
  std::printf("x memcpy = our time / memcpy time; speed-up = OpenCV time / our time.\n");
  for (const Mode& mode : kModes) {
    const std::string prefix = std::string(mode.name) + "/";
    const double copy = perFrame(r, prefix + "memcpy");
    if (copy == 0) continue;
    std::printf("\n%s: %zu source frame(s) in turn, %zu destination(s)\n", mode.name, mode.sources, mode.dests);
    std::printf("%-16s %9s %9s   %-24s %9s %9s\n", "kernel", "us/frame", "x memcpy", "OpenCV peer", "us/frame",
                "speed-up");
    std::printf("%-16s %9.1f %9.2f\n", "memcpy", copy * 1e6, 1.0);
    for (const char* kernel : {"startRun", "accumulate", "emit", "run"}) {
      const auto peer = cheapestOpenCv(r, mode.name, kernel);
      for (const NamedSet& s : kernelSets()) {
        const std::string name = std::string(kernel) + "/" + s.name;
        const double t = perFrame(r, prefix + name);
        if (t == 0) continue;
        std::printf("%-16s %9.1f %9.2f", name.c_str(), t * 1e6, t / copy);
        if (peer.second > 0) std::printf("   %-24s %9.1f %9.2f", peer.first.c_str(), peer.second * 1e6, peer.second / t);
        std::printf("\n");
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Defaults suited to a shared machine; flags given on the command line win.
  orv_bench::CommandLine cmd(argc, argv,
                             {"--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                              "--benchmark_min_time=0.05"});
  registerOurs();
#if defined(ORV_HAVE_OPENCV)
  registerOpenCv();
#else
  std::printf("OpenCV not found at build time: no OpenCV column\n");
#endif
  if (!cmd.initialize()) return 1;
  orv_bench::SummaryReporter reporter(orv_bench::Clock::real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printTable(reporter);
  benchmark::Shutdown();
  return 0;
}
