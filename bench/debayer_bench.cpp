// Demosaicing throughput: every method, output format and source orientation
// at two frame sizes, on each instruction set, beside references measured in
// the same run: memcpy of the output bytes (always) and OpenCV's single-thread
// Bayer conversions (when built with OpenCV). Prints a summary table with the
// ratios at the end.
//
//   debayer_bench --benchmark_min_time=0.2
//   debayer_bench --benchmark_filter='2448x2048' --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/cpu.h"
#include "transform_method.h"

#ifdef ORV_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace orv_filter;

struct FrameSize {
  UINT width;
  UINT height;
  std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
  double pixels() const { return double(width) * height; }
};

const FrameSize kSizes[] = {{2448, 2048}, {1920, 1080}};
const char* const kMethodNames[] = {"nearest", "bilinear", "edge"};

// Each level as the feature word that selects its table, fastest first.
struct IsaInfo {
  std::uint32_t features;
  const char* name;
};
const IsaInfo kIsas[] = {{orv::kCpuSSE2 | orv::kCpuAVX2, "avx2"}, {orv::kCpuSSE2, "sse2"}, {0, "scalar"}};

// Buffers shared by all benchmarks of one size: a source mosaic, a
// destination large enough for 4-byte pixels, and a copy source for memcpy.
struct Buffers {
  std::vector<BYTE> mosaic;
  std::vector<BYTE> out;
  std::vector<BYTE> copySource;
};

Buffers& buffersFor(const FrameSize& size) {
  static std::map<std::string, Buffers> cache;
  Buffers& b = cache[size.name()];
  if (b.mosaic.empty()) {
    const std::size_t pixels = std::size_t(size.width) * size.height;
    std::mt19937 rng(1);
    b.mosaic.resize(pixels);
    for (BYTE& v : b.mosaic) v = static_cast<BYTE>(rng());
    b.out.assign(pixels * 4, 0);
    b.copySource.assign(pixels * 4, 7);
  }
  return b;
}

void benchDeBayer(benchmark::State& state, FrameSize size, LONG mode, int bpp, bool bottomUp, std::uint32_t features) {
  Buffers& b = buffersFor(size);
  const DeBayerKernelTable& table = deBayerKernelTableFor(features, bpp);
  const DeBayerParams params = makeDeBayerParams(eGR, mode);
  const LONG signedHeight = bottomUp ? -static_cast<LONG>(size.height) : static_cast<LONG>(size.height);
  for (auto _ : state) {
    deBayerDispatch(table, b.mosaic.data(), b.out.data(), size.width, signedHeight, params);
    benchmark::DoNotOptimize(b.out.data());
    benchmark::ClobberMemory();
  }
  orv_bench::setMPixRate(state, size.pixels());
}

void benchMemcpy(benchmark::State& state, FrameSize size, int bpp) {
  Buffers& b = buffersFor(size);
  const std::size_t bytes = std::size_t(size.width) * size.height * bpp;
  for (auto _ : state) {
    std::memcpy(b.out.data(), b.copySource.data(), bytes);
    benchmark::DoNotOptimize(b.out.data());
    benchmark::ClobberMemory();
  }
  orv_bench::setMPixRate(state, size.pixels());
}

#ifdef ORV_HAVE_OPENCV
void benchOpenCv(benchmark::State& state, FrameSize size, int code, int channels) {
  Buffers& b = buffersFor(size);
  const int rows = static_cast<int>(size.height), cols = static_cast<int>(size.width);
  const cv::Mat src(rows, cols, CV_8UC1, b.mosaic.data());
  cv::Mat dst(rows, cols, CV_8UC(channels), b.out.data());
  for (auto _ : state) {
    cv::cvtColor(src, dst, code);
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  orv_bench::setMPixRate(state, size.pixels());
}
#endif

std::string kernelName(const FrameSize& size, LONG mode, int bpp, bool bottomUp, const char* isa) {
  return std::string("deBayer/") + kMethodNames[mode] + (bpp == 3 ? "/rgb24/" : "/rgb32/") +
         (bottomUp ? "bottom-up/" : "top-down/") + size.name() + "/" + isa;
}
std::string memcpyName(const FrameSize& size, int bpp) {
  return std::string("memcpy/") + (bpp == 3 ? "rgb24/" : "rgb32/") + size.name();
}
std::string openCvName(const FrameSize& size, const char* what) { return std::string("opencv/") + what + "/" + size.name(); }

void registerAll() {
  for (const FrameSize& size : kSizes) {
    for (int bpp : {3, 4}) benchmark::RegisterBenchmark(memcpyName(size, bpp).c_str(), benchMemcpy, size, bpp);
#ifdef ORV_HAVE_OPENCV
    benchmark::RegisterBenchmark(openCvName(size, "BayerGR2BGR").c_str(), benchOpenCv, size, int(cv::COLOR_BayerGR2BGR), 3);
    benchmark::RegisterBenchmark(openCvName(size, "BayerGR2BGRA").c_str(), benchOpenCv, size, int(cv::COLOR_BayerGR2BGRA), 4);
    benchmark::RegisterBenchmark(openCvName(size, "BayerGR2BGR_EA").c_str(), benchOpenCv, size, int(cv::COLOR_BayerGR2BGR_EA), 3);
#endif
    for (const IsaInfo& isa : kIsas) {
      if (!orv::cpuHas(isa.features)) continue;
      for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
        for (int bpp : {3, 4}) {
          for (bool bottomUp : {true, false}) {
            benchmark::RegisterBenchmark(kernelName(size, mode, bpp, bottomUp, isa.name).c_str(), benchDeBayer, size, mode,
                                         bpp, bottomUp, isa.features);
          }
        }
      }
    }
  }
}

// The best pixel rate of every benchmark over the repetitions, over CPU time as
// the MPix/s column of the console output.
void printSummary(const orv_bench::SummaryReporter& r) {
  const auto rate = [&](const FrameSize& size, const std::string& name) {
    return orv_bench::mpixPerSecond(size.pixels(), r.best(name));
  };
  std::printf("\nSummary (MPix/s, best of the repetitions; ratios use the instruction set the entry points pick,\n"
              "all measured in this run)\n");
  std::printf("%-10s %-9s %-6s %-9s %8s %8s %8s %10s %7s %12s\n", "size", "method", "format", "source", "avx2", "sse2",
              "scalar", "memcpy", "x copy", "x OpenCV");
  for (const FrameSize& size : kSizes) {
    for (LONG mode : {eNearestColor, eBilinear, eEdgeSensing}) {
      for (int bpp : {3, 4}) {
        for (bool bottomUp : {true, false}) {
          double isaRate[3];
          double best = 0.0;  // the rate of the kernels the entry points choose
          for (int i = 0; i < 3; ++i) {
            isaRate[i] = rate(size, kernelName(size, mode, bpp, bottomUp, kIsas[i].name));
            if (best == 0.0 && orv::cpuHas(kIsas[i].features)) best = isaRate[i];
          }
          if (best == 0.0) continue;
          const double copy = rate(size, memcpyName(size, bpp));
          const char* peer = mode == eEdgeSensing ? "BayerGR2BGR_EA" : bpp == 3 ? "BayerGR2BGR" : "BayerGR2BGRA";
          const double cv = rate(size, openCvName(size, peer));
          char cvText[40] = "-";
          if (cv > 0) std::snprintf(cvText, sizeof cvText, "%.2f (%s)", best / cv, mode == eEdgeSensing ? "EA" : "bil");
          std::printf("%-10s %-9s %-6s %-9s %8.0f %8.0f %8.0f %10.0f %7.2f %12s\n", size.name().c_str(), kMethodNames[mode],
                      bpp == 3 ? "rgb24" : "rgb32", bottomUp ? "bottom-up" : "top-down", isaRate[0], isaRate[1],
                      isaRate[2], copy, copy > 0 ? best / copy : 0.0, cvText);
        }
      }
    }
  }
#ifdef ORV_HAVE_OPENCV
  std::printf("OpenCV (1 thread):");
  for (const FrameSize& size : kSizes) {
    for (const char* what : {"BayerGR2BGR", "BayerGR2BGRA", "BayerGR2BGR_EA"}) {
      std::printf(" %s %s %.0f;", what, size.name().c_str(), rate(size, openCvName(size, what)));
    }
  }
  std::printf("\n");
#else
  std::printf("(built without OpenCV: no OpenCV ratios)\n");
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifdef ORV_HAVE_OPENCV
  cv::setNumThreads(1);  // the kernels run on one thread; compare like with like
#endif
  orv_bench::CommandLine cmd(argc, argv);
  if (!cmd.initialize()) return 1;
  registerAll();
  orv_bench::SummaryReporter reporter(orv_bench::Clock::cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
