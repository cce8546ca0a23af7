// Processor features, read once per process with CPUID and cached lock-free.
#pragma once

#include "platform/wintypes.h"

namespace orv {

// Flag bits of the feature word. The first seven follow CPUID leaf 1; AVX2
// also requires the operating system to save the YMM registers.
enum CpuFeature : std::uint32_t {
  kCpuMMX = 1,
  kCpuSSE = 2,
  kCpuSSE2 = 4,
  kCpuSSE3 = 8,
  kCpuSSSE3 = 16,
  kCpuSSE41 = 32,
  kCpuSSE42 = 64,
  kCpuAVX2 = 128,
};

// The feature word of this processor, filtered by the current mask. The first
// call executes CPUID; two threads racing on it store the same value.
ORV_PLATFORM_API std::uint32_t cpuFeatureWord();

// Test hook: only the bits of `mask` are reported from now on (pass ~0u to
// report everything again). Lets tests run the scalar and baseline paths on a
// processor that has more.
ORV_PLATFORM_API void setCpuFeatureMask(std::uint32_t mask);

inline bool cpuHas(std::uint32_t features) { return (cpuFeatureWord() & features) == features; }

}  // namespace orv
