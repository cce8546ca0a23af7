// The ROI crop against memcpy of the same region bytes, at the frame sizes
// cameras deliver. The crop copies one block per region row; the reference
// copies the region's bytes as one block, and "rows" is the crop through its
// plain kernel (one memcpy per row). Both run in the same process, in
// two settings: "cached" reuses one frame, so everything stays in the caches;
// "streamed" rotates through frames larger than the caches together, as a
// camera's frames arrive from memory.
//
// "read x" measures reading alone: the region's rows against the same number
// of bytes read as one block. It shows what the gaps between rows cost before
// anything is written.
//
// The "placed/" benchmarks crop 1600x1200 out of the middle of 2448x2048
// through the filter's transform, against OpenCV's Mat(rect).copyTo on the
// same buffers, for every destination placement of --offsets=... (bytes
// against the source modulo 4096), with a memcpy per row beside it as the
// stricter reference; their table gives each cell's worst placement. Only them: --benchmark_filter=^placed/
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "placed_frames.h"
#include "pixrt/filtermodule.h"
#include "platform/cpu.h"
#include "pixrt/framebuffer.h"
#include "roi.h"

#if defined(ORV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#endif

namespace {

struct Size {
  LONG width, height;
};
constexpr Size kSizes[] = {{2448, 2048}, {2048, 2448}, {1920, 1080}};
constexpr Pixlib::tColorformatEnum kFormats[] = {Pixlib::eY800, Pixlib::eRGB24, Pixlib::eRGB32};

// The centre half of the frame in each direction, edges on multiples of 8.
RECT centreRegion(const Size& s) {
  const LONG left = (s.width / 4) & ~7, top = s.height / 4;
  return {left, top, left + ((s.width / 2) & ~7), top + s.height / 2};
}

std::string label(const Size& s, Pixlib::tColorformatEnum f) {
  return std::to_string(s.width) + "x" + std::to_string(s.height) + " " +
         Pixlib::subtypeName(Pixlib::getSubtypeFromColorformat(f));
}

// How many source frames a setting rotates through: enough that the regions
// read in one round (the bytes both the crop and the reference touch) are
// twice a 32 MB last-level cache, so a streamed round always comes from memory.
std::size_t poolSize(bool streamed, std::size_t regionBytes) {
  constexpr std::size_t kRoundBytes = std::size_t(64) << 20;
  return streamed ? (kRoundBytes + regionBytes - 1) / regionBytes : 1;
}

std::size_t regionBytes(const Size& s, Pixlib::tColorformatEnum format) {
  const RECT r = centreRegion(s);
  const std::size_t pixelBytes = Pixlib::getBitsPerPixel(Pixlib::getSubtypeFromColorformat(format)) / 8;
  return std::size_t(r.right - r.left) * (r.bottom - r.top) * pixelBytes;
}

// `plainRows` hides the vector features, so the crop runs the reference
// kernel: one memcpy per row.
void cropBench(benchmark::State& state, Size size, Pixlib::tColorformatEnum format, bool streamed, bool plainRows) {
  orv::setCpuFeatureMask(plainRows ? 0u : ~0u);
  auto* roi = new orv_filter::CROITransform;
  const RECT r = centreRegion(size);
  roi->setRoi(r.left, r.top, r.right, r.bottom);
  const FrameTypeInfo in(format, size.width, size.height, 0);
  std::vector<FrameTypeInfo> out;
  roi->getTransformOutputTypes(in, out);
  std::vector<std::unique_ptr<Pixlib::FrameBuffer>> sources;
  for (std::size_t i = 0; i < poolSize(streamed, regionBytes(size, format)); ++i) {
    sources.push_back(std::make_unique<Pixlib::FrameBuffer>(in));
    std::memset(sources.back()->getBufferPtr(), 7, sources.back()->size());
  }
  Pixlib::FrameBuffer dest(out.at(0));
  roi->notifyStart(in, out[0]);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(roi->transform(*sources[next++ % sources.size()], dest));
    benchmark::ClobberMemory();
  }
  roi->notifyStop();
  roi->Release();
  orv::setCpuFeatureMask(~0u);
  state.SetBytesProcessed(int64_t(state.iterations()) * dest.size());
}

void memcpyBench(benchmark::State& state, Size size, Pixlib::tColorformatEnum format, bool streamed) {
  const std::size_t pixelBytes = Pixlib::getBitsPerPixel(Pixlib::getSubtypeFromColorformat(format)) / 8;
  const std::size_t frameBytes = std::size_t(size.width) * size.height * pixelBytes;
  const std::size_t bytes = regionBytes(size, format);
  std::vector<std::vector<BYTE>> sources(poolSize(streamed, bytes), std::vector<BYTE>(frameBytes, 7));
  std::vector<BYTE> dst(bytes);
  std::size_t next = 0;
  for (auto _ : state) {
    std::memcpy(dst.data(), sources[next++ % sources.size()].data() + bytes, bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

// Both readers keep four sums, so that the loads, not the chain of ORs, set
// the pace. Sizes are multiples of 64 bytes.
// 16-byte registers through the compiler's vector types, so the readers
// build for any processor (SSE2 loads and ORs on x86).
using Vec16 = std::uint64_t __attribute__((vector_size(16)));
struct Sums {
  Vec16 v[4] = {};
  void add(const BYTE* line) {
    for (int i = 0; i < 4; ++i) {
      Vec16 bytes;
      std::memcpy(&bytes, line + 16 * i, 16);
      v[i] |= bytes;
    }
  }
  Vec16 total() const { return (v[0] | v[1]) | (v[2] | v[3]); }
};

// The region's rows, eight side by side, the fastest of the walks tried:
// from memory, each step also prefetches the same columns of the rows sixteen
// ahead; from the caches, where prefetching only costs, it does not.
Vec16 readRows(const BYTE* src, std::size_t pitch, std::size_t rowBytes, std::size_t rows, bool prefetch) {
  Sums sums;
  for (std::size_t r = 0; r + 8 <= rows; r += 8) {
    const BYTE* now = src + r * pitch;
    const bool lead = prefetch && r + 24 <= rows;
    for (std::size_t x = 0; x < rowBytes; x += 64)
      for (std::size_t k = 0; k < 8; ++k) {
        if (lead) __builtin_prefetch(now + (16 + k) * pitch + x, 0, 1);
        sums.add(now + k * pitch + x);
      }
  }
  return sums.total();
}

// The same bytes in one run.
Vec16 readBlock(const BYTE* src, std::size_t bytes) {
  Sums sums;
  for (std::size_t x = 0; x < bytes; x += 64) sums.add(src + x);
  return sums.total();
}

// `asBlock` reads the region's byte count in one run instead of its rows.
void readBench(benchmark::State& state, Size size, Pixlib::tColorformatEnum format, bool streamed, bool asBlock) {
  const std::size_t pixelBytes = Pixlib::getBitsPerPixel(Pixlib::getSubtypeFromColorformat(format)) / 8;
  const std::size_t pitch = std::size_t(size.width) * pixelBytes;
  const RECT r = centreRegion(size);
  const std::size_t rowBytes = (std::size_t(r.right - r.left) * pixelBytes) & ~std::size_t(63);
  const std::size_t rows = std::size_t(r.bottom - r.top) & ~std::size_t(7);
  const std::size_t start = r.top * pitch + r.left * pixelBytes;
  std::vector<std::vector<BYTE>> sources(poolSize(streamed, regionBytes(size, format)),
                                         std::vector<BYTE>(pitch * size.height, 7));
  std::size_t next = 0;
  for (auto _ : state) {
    const BYTE* frame = sources[next++ % sources.size()].data() + start;
    benchmark::DoNotOptimize(asBlock ? readBlock(frame, rowBytes * rows)
                                     : readRows(frame, pitch, rowBytes, rows, streamed));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * rowBytes * rows);
}

// The placed crops: the region and the frames it is cut from.
constexpr RECT kPlacedRegion = {424, 424, 424 + 1600, 424 + 1200};
constexpr LONG kPlacedWidth = 2448, kPlacedHeight = 2048;

std::size_t pixelBytes(Pixlib::tColorformatEnum format) {
  return Pixlib::getBitsPerPixel(Pixlib::getSubtypeFromColorformat(format)) / 8;
}

// Source and destination of one placed crop: the source row the region
// starts on, the region's first byte, and the pitches.
struct PlacedCrop {
  std::size_t srcPitch, rowBytes, rows, firstByte;
  explicit PlacedCrop(Pixlib::tColorformatEnum format) {
    const std::size_t b = pixelBytes(format);
    srcPitch = kPlacedWidth * b;
    rowBytes = std::size_t(kPlacedRegion.right - kPlacedRegion.left) * b;
    rows = std::size_t(kPlacedRegion.bottom - kPlacedRegion.top);
    // Bottom-up frames keep their top displayed row last in memory.
    const bool bottomUp = Pixlib::isBottomUpFrameType(Pixlib::getSubtypeFromColorformat(format));
    const std::size_t firstRow = bottomUp ? kPlacedHeight - kPlacedRegion.bottom : kPlacedRegion.top;
    firstByte = firstRow * srcPitch + std::size_t(kPlacedRegion.left) * b;
  }
  std::size_t srcBytes() const { return srcPitch * kPlacedHeight; }
  std::size_t dstBytes() const { return rowBytes * rows; }
};

void placedCropBench(benchmark::State& state, Pixlib::tColorformatEnum format, orv_bench::Setting setting,
                     std::size_t offset) {
  const PlacedCrop crop(format);
  const orv_bench::PlacedPairs& pairs = orv_bench::placedPairs(crop.srcBytes(), crop.dstBytes(), offset, setting);
  auto* roi = new orv_filter::CROITransform;
  roi->setRoi(kPlacedRegion.left, kPlacedRegion.top, kPlacedRegion.right, kPlacedRegion.bottom);
  const FrameTypeInfo in(format, kPlacedWidth, kPlacedHeight, static_cast<DWORD>(crop.srcBytes()));
  std::vector<FrameTypeInfo> out;
  roi->getTransformOutputTypes(in, out);
  orv_bench::FrameView src(in, nullptr), dst(out.at(0), nullptr);
  roi->notifyStart(in, out[0]);
  std::size_t next = 0;
  for (auto _ : state) {
    src.point(const_cast<BYTE*>(pairs.src(next)));
    dst.point(pairs.dst(next++));
    if (!roi->transform(src, dst)) {
      state.SkipWithError("transform refused the frame");
      break;
    }
    benchmark::ClobberMemory();
  }
  roi->notifyStop();
  roi->Release();
  state.SetBytesProcessed(int64_t(state.iterations()) * crop.dstBytes());
}

using CropPeer = void (*)(const BYTE* src, BYTE* dst, const PlacedCrop& crop, std::size_t pixelBytes);

void memcpyRows(const BYTE* src, BYTE* dst, const PlacedCrop& crop, std::size_t) {
  for (std::size_t r = 0; r < crop.rows; ++r)
    std::memcpy(dst + r * crop.rowBytes, src + crop.firstByte + r * crop.srcPitch, crop.rowBytes);
}

#if defined(ORV_HAVE_OPENCV)
// The way a user crops with OpenCV: a view of the rectangle copied into a
// matrix of its size (here over the destination, so nothing is allocated).
void openCvCrop(const BYTE* src, BYTE* dst, const PlacedCrop& crop, std::size_t pixelBytes) {
  const cv::Mat frame(kPlacedHeight, kPlacedWidth, CV_8UC(static_cast<int>(pixelBytes)), const_cast<BYTE*>(src));
  cv::Mat out(static_cast<int>(crop.rows), kPlacedRegion.right - kPlacedRegion.left,
              CV_8UC(static_cast<int>(pixelBytes)), dst);
  const int firstRow = static_cast<int>(crop.firstByte / crop.srcPitch);
  frame(cv::Rect(kPlacedRegion.left, firstRow, out.cols, out.rows)).copyTo(out);
}
#endif

void placedPeerBench(benchmark::State& state, Pixlib::tColorformatEnum format, CropPeer peer,
                     orv_bench::Setting setting, std::size_t offset) {
  const PlacedCrop crop(format);
  const orv_bench::PlacedPairs& pairs = orv_bench::placedPairs(crop.srcBytes(), crop.dstBytes(), offset, setting);
  std::size_t next = 0;
  for (auto _ : state) {
    const std::size_t i = next++;
    peer(pairs.src(i), pairs.dst(i), crop, pixelBytes(format));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * crop.dstBytes());
}

#if defined(ORV_HAVE_OPENCV)
constexpr bool kHaveOpenCv = true;
#else
constexpr bool kHaveOpenCv = false;
#endif

void registerPlaced() {
  using orv_bench::Setting;
  for (const Setting setting : {Setting::cached, Setting::memory})
    for (auto format : kFormats) {
      const std::string cell = std::string("placed/") + orv_bench::settingName(setting) + " " +
                               label({kPlacedWidth, kPlacedHeight}, format);
      for (const std::size_t offset : orv_bench::placementOffsets()) {
        const auto add = [&](const char* who, bool peer, auto body, bool reference = false) {
          orv_bench::placedRuns().push_back({cell, ">=1.0", offset, who, peer, reference});
          benchmark::RegisterBenchmark(orv_bench::placedName(orv_bench::placedRuns().back()).c_str(), body)
              ->UseRealTime()
              ->Unit(benchmark::kMicrosecond);
        };
        add("crop 1600x1200", false,
            [=](benchmark::State& s) { placedCropBench(s, format, setting, offset); });
        // A memcpy per row is the bare minimum of a row-by-row copy: shown
        // beside OpenCV's, the way users crop otherwise, which the crop is
        // held to (without OpenCV, the crop is held to it).
        add(
            "memcpy rows", true, [=](benchmark::State& s) { placedPeerBench(s, format, memcpyRows, setting, offset); },
            kHaveOpenCv);
#if defined(ORV_HAVE_OPENCV)
        add("OpenCV copyTo", true,
            [=](benchmark::State& s) { placedPeerBench(s, format, openCvCrop, setting, offset); });
#endif
      }
    }
}

// Median wall-clock times of the repetitions, crop against the references.
void printTable(const orv_bench::SummaryReporter& r) {
  std::printf("\n%-30s %12s %12s %12s %10s %10s %10s\n", "ROI crop (centre quarter)", "crop us", "memcpy us",
              "rows us", "x memcpy", "x rows", "read x");
  for (const char* setting : {"cached ", "streamed "})
    for (const Size& s : kSizes)
      for (auto f : kFormats) {
        const std::string l = setting + label(s, f);
        const double crop = r.median("crop/" + l), copy = r.median("memcpy/" + l), rows = r.median("memcpy rows/" + l);
        if (crop == 0 || copy == 0 || rows == 0) continue;
        // Reading the rows against reading one block; blank when not measured.
        const double readRows = r.median("read rows/" + l), readBlock = r.median("read block/" + l);
        char read[16] = "";
        if (readRows > 0 && readBlock > 0) std::snprintf(read, sizeof read, "%.2f", readBlock / readRows);
        std::printf("%-30s %12.1f %12.1f %12.1f %10.2f %10.2f %10s\n", l.c_str(), crop * 1e6, copy * 1e6, rows * 1e6,
                    copy / crop, rows / crop, read);
      }
}

}  // namespace

int main(int argc, char** argv) {
  orv_bench::CommandLine cmd(argc, argv);
  if (!orv_bench::applyOffsets(cmd.args) || !cmd.initialize()) return 1;
  for (bool streamed : {false, true})
    for (const Size& s : kSizes)
      for (auto f : kFormats) {
        const std::string name = std::string(streamed ? "streamed " : "cached ") + label(s, f);
        benchmark::RegisterBenchmark(("crop/" + name).c_str(), cropBench, s, f, streamed, false)->UseRealTime();
        benchmark::RegisterBenchmark(("memcpy rows/" + name).c_str(), cropBench, s, f, streamed, true)->UseRealTime();
        benchmark::RegisterBenchmark(("memcpy/" + name).c_str(), memcpyBench, s, f, streamed)->UseRealTime();
        benchmark::RegisterBenchmark(("read rows/" + name).c_str(), readBench, s, f, streamed, false)->UseRealTime();
        benchmark::RegisterBenchmark(("read block/" + name).c_str(), readBench, s, f, streamed, true)->UseRealTime();
      }
  orv_bench::SummaryReporter reporter(orv_bench::Clock::real);
  registerPlaced();
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printTable(reporter);
  orv_bench::printPlacementTable(reporter);
  benchmark::Shutdown();
  return 0;
}
