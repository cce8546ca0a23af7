// Frame-averaging kernels: the reference loops against worked values and an
// independent mean, every vector set against the reference byte for byte, and
// the per-call choice of set under forced processor features.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <random>
#include <vector>

#include "cpu_mask.h"
#include "denoise_kernels.h"
#include "denoise_vector_common.h"
#include "kernel_levels.h"
#include "platform/cpu.h"

namespace orv_filter {
namespace {

struct KernelSet {
  const char* name;
  std::uint32_t needs;  // feature bits the set requires
  const DenoiseKernels& kernels;
};

// Every level this processor runs, scalar first.
const std::vector<KernelSet> kSets = [] {
  std::vector<KernelSet> sets;
  for (const orv_test::KernelLevel& level : orv_test::kernelLevels()) {
    sets.push_back({level.name, level.features, denoiseKernelsFor(level.features)});
  }
  return sets;
}();

bool runnable(const KernelSet& set) { return orv::cpuHas(set.needs); }

// One run of frames as the filter drives it: start, accumulate, emit.
std::vector<BYTE> averageRun(const DenoiseKernels& k, const std::vector<std::vector<BYTE>>& frames, unsigned level,
                             std::vector<std::int16_t>* accBeforeLast = nullptr) {
  const std::size_t n = frames.front().size();
  std::vector<std::int16_t> acc(n, -12345);
  std::vector<BYTE> dst(n, 0xA5);
  k.startRun(acc.data(), frames[0].data(), n);
  for (std::size_t f = 1; f + 1 < frames.size(); ++f) k.accumulate(acc.data(), frames[f].data(), n);
  if (accBeforeLast) *accBeforeLast = acc;
  k.emit(dst.data(), acc.data(), frames.back().data(), n, level);
  return dst;
}

// Long enough for several full vectors of every set plus a tail.
constexpr std::size_t kRunBytes = 100;

TEST(DenoiseKernels, WorkedRunsOnEverySet) {
  for (const KernelSet& set : kSets) {
    if (!runnable(set)) continue;
    SCOPED_TRACE(set.name);
    auto flat = [](BYTE v) { return std::vector<BYTE>(kRunBytes, v); };

    // Level 1: bytes 1 and 2 average to 1 (the mean truncates).
    EXPECT_EQ(averageRun(set.kernels, {flat(1), flat(2)}, 1), flat(1));
    // Level 2: 1+2+3+4 = 10, 10/4 truncates to 2; 3/4 truncates to 0.
    EXPECT_EQ(averageRun(set.kernels, {flat(1), flat(2), flat(3), flat(4)}, 2), flat(2));
    EXPECT_EQ(averageRun(set.kernels, {flat(0), flat(0), flat(0), flat(3)}, 2), flat(0));

    // All-255 runs give 255 at every level; at level 5 the accumulator holds
    // 31 * 255 = 7905 before the last frame joins.
    for (unsigned level = 1; level <= 7; ++level) {
      SCOPED_TRACE(level);
      std::vector<std::int16_t> peak;
      std::vector<std::vector<BYTE>> frames(std::size_t{1} << level, flat(255));
      EXPECT_EQ(averageRun(set.kernels, frames, level, &peak), flat(255));
      EXPECT_EQ(peak, std::vector<std::int16_t>(kRunBytes, static_cast<std::int16_t>(((1 << level) - 1) * 255)));
      if (level == 5) {
        EXPECT_EQ(peak.front(), 7905);
      }
    }
    // Level 0: a run is one frame; emitting onto a cleared accumulator copies it.
    std::vector<std::int16_t> zero(kRunBytes, 0);
    std::vector<BYTE> dst(kRunBytes, 0), src(kRunBytes);
    for (std::size_t i = 0; i < kRunBytes; ++i) src[i] = static_cast<BYTE>(i * 37);
    set.kernels.emit(dst.data(), zero.data(), src.data(), kRunBytes, 0);
    EXPECT_EQ(dst, src);
  }
}

TEST(DenoiseKernels, RandomRunsGiveTheFlooredMean) {
  std::mt19937 rng(7);
  constexpr std::size_t n = 1001;
  for (unsigned level = 1; level <= 7; ++level) {
    std::vector<std::vector<BYTE>> frames(std::size_t{1} << level, std::vector<BYTE>(n));
    for (auto& f : frames) std::generate(f.begin(), f.end(), [&] { return static_cast<BYTE>(rng()); });
    std::vector<BYTE> mean(n);
    for (std::size_t i = 0; i < n; ++i) {
      unsigned sum = 0;
      for (const auto& f : frames) sum += f[i];
      mean[i] = static_cast<BYTE>(sum / frames.size());
    }
    for (const KernelSet& set : kSets) {
      if (!runnable(set)) continue;
      SCOPED_TRACE(testing::Message() << set.name << " level " << level);
      EXPECT_EQ(averageRun(set.kernels, frames, level), mean);
    }
  }
}

// Accumulators outside any valid run: the kernels still follow the 16-bit
// store and the 32-bit arithmetic shift exactly.
TEST(DenoiseKernels, ReferenceLoopsOnExtremeAccumulators) {
  struct AccumulateCase { std::int16_t acc; BYTE src; std::int16_t expected; };
  for (const AccumulateCase& c : std::vector<AccumulateCase>{
           {32767, 1, -32768}, {32767, 255, -32514}, {-32768, 255, -32513}, {-1, 1, 0}, {-300, 44, -256}}) {
    std::int16_t acc = c.acc;
    denoiseAccumulateC(&acc, &c.src, 1);
    EXPECT_EQ(acc, c.expected) << c.acc << " + " << int(c.src);
  }

  struct EmitCase { std::int16_t acc; BYTE src; unsigned level; BYTE expected; };
  for (const EmitCase& c : std::vector<EmitCase>{
           {-1, 0, 1, 0xFF},        // -1 >> 1 stays -1
           {-3, 0, 1, 0xFE},        // floor(-1.5) = -2
           {-32768, 255, 0, 0xFF},  // -32513 = ...80FF
           {32767, 255, 0, 0xFE},   // 33022 = 0x80FE: no saturation, low byte kept
           {32767, 255, 7, 0x01},   // 0x80FE >> 7 = 0x101
           {32767, 255, 8, 0x80},
           {-32768, 0, 8, 0x80},    // -128
           {-32768, 0, 9, 0xC0},    // -64: the high bits now come from the sign
           {32767, 255, 9, 0x40},
           {-5, 0, 31, 0xFF},
           {5, 0, 31, 0x00},
           {-5, 0, 40, 0xFF},       // beyond 31 still the floor, the sign
           {32767, 255, 40, 0x00}}) {
    BYTE dst = 0x5A;
    denoiseEmitC(&dst, &c.acc, &c.src, 1, c.level);
    EXPECT_EQ(dst, c.expected) << c.acc << " + " << int(c.src) << " >> " << c.level;
  }

  std::array<BYTE, 256> src;
  std::array<std::int16_t, 256> acc;
  for (int i = 0; i < 256; ++i) src[i] = static_cast<BYTE>(i);
  acc.fill(-7);
  denoiseStartRunC(acc.data(), src.data(), src.size());
  for (int i = 0; i < 256; ++i) EXPECT_EQ(acc[i], i);
}

// Half the entries from the whole int16 range, half from its edges and the
// values a valid run reaches, so every lane meets both often.
std::int16_t randomAcc(std::mt19937& rng) {
  static constexpr std::array<std::int16_t, 10> kEdges{-32768, -32767, -32513, -256, -1, 0, 255, 32767 - 255, 32512, 32767};
  if (rng() & 1) return static_cast<std::int16_t>(rng());
  return kEdges[rng() % kEdges.size()];
}

std::vector<std::size_t> differentialLengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 70; ++n) lengths.push_back(n);
  for (std::size_t n : {95, 127, 129, 255, 257, 1023, 4097, 1920 * 3 + 13, 65536 + 31}) lengths.push_back(n);
  // Large frames are emitted with streaming stores after an aligning head.
  for (std::size_t extra : {0, 1, 35}) lengths.push_back(kStreamingEmitBytes + extra);
  return lengths;
}

// Each buffer is an exact allocation with the data running to its last byte,
// starting `offset` elements in to vary the alignment (and so the length of
// the kernels' aligning heads).
template <typename T>
struct EndBuffer {
  EndBuffer(std::size_t n, std::size_t offset, T fill) : storage(n + offset, fill), offset(offset) {}
  T* data() { return storage.data() + offset; }
  std::vector<T> contents() const { return {storage.begin() + offset, storage.end()}; }
  std::vector<T> storage;
  std::size_t offset;
};

TEST(DenoiseKernels, VectorSetsMatchTheReference) {
  std::vector<const KernelSet*> vectorSets;
  for (const KernelSet& set : kSets) {
    if (set.needs == 0) continue;
    if (runnable(set)) {
      vectorSets.push_back(&set);
    } else {
      std::printf("%s not available on this processor: not compared\n", set.name);
    }
  }
  std::mt19937 rng(2024);
  const DenoiseKernels& ref = denoiseKernelsC();
  const std::vector<unsigned> levels{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 31, 40};
  for (std::size_t n : differentialLengths()) {
    const std::size_t offset = n % 7;
    SCOPED_TRACE(testing::Message() << "n=" << n << " offset=" << offset);
    EndBuffer<BYTE> src(n, offset, 0);
    std::generate_n(src.data(), n, [&] { return static_cast<BYTE>(rng()); });
    EndBuffer<std::int16_t> accStart(n, offset, 0);
    std::generate_n(accStart.data(), n, [&] { return randomAcc(rng); });

    EndBuffer<std::int16_t> wantStart(n, offset, 0x1111), wantAcc = accStart;
    ref.startRun(wantStart.data(), src.data(), n);
    ref.accumulate(wantAcc.data(), src.data(), n);
    std::vector<std::vector<BYTE>> wantEmit;
    for (unsigned level : levels) {
      EndBuffer<BYTE> dst(n, offset, 0x3C);
      ref.emit(dst.data(), accStart.data(), src.data(), n, level);
      wantEmit.push_back(dst.contents());
    }

    for (const KernelSet* set : vectorSets) {
      SCOPED_TRACE(set->name);
      // Destinations start with garbage unlike the reference's.
      EndBuffer<std::int16_t> start(n, offset, -0x2222), acc = accStart;
      set->kernels.startRun(start.data(), src.data(), n);
      ASSERT_EQ(start.contents(), wantStart.contents()) << "startRun";
      set->kernels.accumulate(acc.data(), src.data(), n);
      ASSERT_EQ(acc.contents(), wantAcc.contents()) << "accumulate";
      for (std::size_t l = 0; l < levels.size(); ++l) {
        EndBuffer<BYTE> dst(n, offset, 0xC3);
        set->kernels.emit(dst.data(), accStart.data(), src.data(), n, levels[l]);
        ASSERT_EQ(dst.contents(), wantEmit[l]) << "emit level " << levels[l];
      }
    }
  }
}

TEST(DenoiseDispatch, ForcedFeaturesChooseTheSetAndKeepTheBytes) {
  std::mt19937 rng(99);
  constexpr std::size_t n = 333;
  std::vector<BYTE> src(n), wantDst(n);
  std::vector<std::int16_t> accStart(n), wantStart(n), wantAcc;
  std::generate(src.begin(), src.end(), [&] { return static_cast<BYTE>(rng()); });
  std::generate(accStart.begin(), accStart.end(), [&] { return randomAcc(rng); });
  denoiseStartRunC(wantStart.data(), src.data(), n);
  wantAcc = accStart;
  denoiseAccumulateC(wantAcc.data(), src.data(), n);
  denoiseEmitC(wantDst.data(), accStart.data(), src.data(), n, 3);

  EXPECT_EQ(&denoiseKernelsFor(0), &denoiseKernelsC());
  for (const KernelSet& set : kSets) {
    SCOPED_TRACE(set.name);
    const orv_test::FeatureMask forced(set.needs);
    EXPECT_EQ(&denoiseKernelsFor(orv::cpuFeatureWord()), &set.kernels);

    std::vector<std::int16_t> start(n, -1), acc = accStart;
    std::vector<BYTE> dst(n, 0x77);
    denoiseStartRun(start.data(), src.data(), n);
    denoiseAccumulate(acc.data(), src.data(), n);
    denoiseEmit(dst.data(), accStart.data(), src.data(), n, 3);
    EXPECT_EQ(start, wantStart);
    EXPECT_EQ(acc, wantAcc);
    EXPECT_EQ(dst, wantDst);
  }
}

}  // namespace
}  // namespace orv_filter
