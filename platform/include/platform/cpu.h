// Processor features, read once per process (CPUID on x86; on 64-bit ARM the
// Advanced SIMD unit is part of the architecture) and cached lock-free.
#pragma once

#include "platform/wintypes.h"

namespace orv {

// Flag bits of the feature word. The first seven follow CPUID leaf 1; AVX2
// also requires the operating system to save the YMM registers. NEON is
// AArch64's Advanced SIMD, which every 64-bit ARM processor has; x86 never
// reports it, ARM never reports the x86 bits.
enum CpuFeature : std::uint32_t {
  kCpuMMX = 1,
  kCpuSSE = 2,
  kCpuSSE2 = 4,
  kCpuSSE3 = 8,
  kCpuSSSE3 = 16,
  kCpuSSE41 = 32,
  kCpuSSE42 = 64,
  kCpuAVX2 = 128,
  kCpuNEON = 256,
};

// The feature word of this processor, filtered by the current mask. The first
// call reads the processor; two threads racing on it store the same value.
ORV_PLATFORM_API std::uint32_t cpuFeatureWord();

// Test hook: only the bits of `mask` are reported from now on (pass ~0u to
// report everything again). Lets tests run the scalar and baseline paths on a
// processor that has more.
ORV_PLATFORM_API void setCpuFeatureMask(std::uint32_t mask);

inline bool cpuHas(std::uint32_t features) { return (cpuFeatureWord() & features) == features; }

}  // namespace orv
