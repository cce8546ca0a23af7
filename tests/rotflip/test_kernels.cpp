// The row kernels behind the case operations, white-box: every instruction
// set level's mirrors and row copies, ordinary and non-temporal (whose
// aligned middle depends on where each destination row starts), at every
// destination alignment, against plain loops.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame_oracle.h"
#include "kernel_levels.h"
#include "platform/cpu.h"
#include "rotflip_kernels.h"

namespace {

using namespace rotflip_test;
using orv_filter::rotflip_detail::RotFlipKernels;
using orv_filter::rotflip_detail::rotFlipKernelsFor;

struct LevelSet {
  const char* name;
  const RotFlipKernels* kernels;
};

std::vector<LevelSet> levels() {
  std::vector<LevelSet> sets;
  for (const orv_test::KernelLevel& level : orv_test::kernelLevels()) {
    sets.push_back({level.name, &rotFlipKernelsFor(level.features)});
  }
  return sets;
}

constexpr LONG kRows = 3;

TEST(RotFlipKernels, MirrorsReverseEveryRowAtEveryAlignment) {
  const std::ptrdiff_t widths[] = {1, 2, 3, 5, 15, 16, 17, 21, 31, 32, 33, 63, 64, 65, 100, 257, 5003};
  for (const LevelSet& level : levels()) {
    for (unsigned b = 1; b <= 4; ++b) {
      for (const std::ptrdiff_t w : widths) {
        const std::ptrdiff_t row = w * b;
        GuardedBytes src(static_cast<std::size_t>(row * kRows),
                         w % 2 ? GuardedBytes::AgainstStart : GuardedBytes::AgainstEnd);
        fillRandom(src.data(), src.size(), static_cast<std::uint32_t>(w * 7 + b));
        for (bool large : {false, true}) {
          for (bool upwards : {false, true}) {
            for (std::ptrdiff_t shift = 0; shift < 32; shift += (w > 100 ? 7 : 1)) {
              // Rows `pitch` apart in a guarded destination, starting `shift`
              // bytes in, so both ends of the kernel's reach are checked.
              const std::ptrdiff_t pitch = row + 5;
              GuardedBytes dst(static_cast<std::size_t>(shift + pitch * (kRows - 1) + row), GuardedBytes::AgainstEnd);
              fillRandom(dst.data(), dst.size(), 1);
              const std::vector<BYTE> before = dst.bytes();
              BYTE* first = dst.data() + shift + (upwards ? pitch * (kRows - 1) : 0);
              const auto fn = large ? level.kernels->mirrorRowsLarge[b - 1] : level.kernels->mirrorRows[b - 1];
              fn(src.data(), row, first, upwards ? -pitch : pitch, w, kRows);

              std::vector<BYTE> expected = before;
              for (LONG r = 0; r < kRows; ++r) {
                BYTE* out = expected.data() + (first - dst.data()) + (upwards ? -pitch : pitch) * r;
                for (std::ptrdiff_t x = 0; x < w; ++x) {
                  std::memcpy(out + x * b, src.data() + r * row + (w - 1 - x) * b, b);
                }
              }
              ASSERT_EQ(dst.bytes(), expected) << level.name << (large ? " large" : "") << ", B " << b << ", width "
                                               << w << ", shift " << shift << (upwards ? ", rows upwards" : "");
            }
          }
        }
      }
    }
  }
}

TEST(RotFlipKernels, RowCopiesAtEveryAlignment) {
  const std::size_t lengths[] = {0, 1, 15, 16, 17, 63, 64, 65, 127, 128, 200, 1000};
  for (const LevelSet& level : levels()) {
    for (const std::size_t n : lengths) {
      GuardedBytes src(n * kRows, GuardedBytes::AgainstEnd);
      fillRandom(src.data(), src.size(), static_cast<std::uint32_t>(n));
      for (const bool large : {false, true}) {
        for (std::ptrdiff_t shift = 0; shift < 16; ++shift) {
          const std::ptrdiff_t pitch = static_cast<std::ptrdiff_t>(n) + 3;
          GuardedBytes dst(static_cast<std::size_t>(shift + pitch * (kRows - 1)) + n, GuardedBytes::AgainstEnd);
          fillRandom(dst.data(), dst.size(), 2);
          std::vector<BYTE> expected = dst.bytes();
          // Bottom row first, as a top-bottom mirror writes.
          BYTE* first = dst.data() + shift + pitch * (kRows - 1);
          (large ? level.kernels->copyRowsLarge : level.kernels->copyRows)(src.data(), static_cast<std::ptrdiff_t>(n),
                                                                           first, -pitch, n, kRows);
          for (LONG r = 0; r < kRows; ++r) {
            if (n) std::memcpy(expected.data() + shift + pitch * (kRows - 1 - r), src.data() + n * r, n);
          }
          ASSERT_EQ(dst.bytes(), expected)
              << level.name << (large ? " large" : "") << ", " << n << " bytes, shift " << shift;
        }
      }
    }
  }
}

}  // namespace
