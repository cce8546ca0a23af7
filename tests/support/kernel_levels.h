// The instruction-set levels of the pixel kernels that this processor runs,
// scalar first, each as the feature word that selects it: tests run every
// level's kernels against the scalar reference, on x86 and on ARM alike.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cpu.h"

namespace orv_test {

struct KernelLevel {
  const char* name;
  std::uint32_t features;
};

inline std::vector<KernelLevel> kernelLevels() {
  const std::uint32_t have = orv::cpuFeatureWord();
  std::vector<KernelLevel> levels{{"scalar", 0u}};
  if (have & orv::kCpuSSE2) levels.push_back({"SSE2", have & ~orv::kCpuAVX2});
  if (have & orv::kCpuAVX2) levels.push_back({"AVX2", have});
  if (have & orv::kCpuNEON) levels.push_back({"NEON", have});
  return levels;
}

}  // namespace orv_test
