// How every kernel family chooses its kernels: the scalar reference first,
// then one ladder of processor features upgrades it, rung by rung, from the
// feature word of the platform layer (so its test mask applies everywhere).
// A rung exists only where its sources are built: the kernel libraries' CMake
// helper defines ORV_KERNELS_X86 or ORV_KERNELS_NEON for the sets it compiled,
// and the macros below name a set there and nothing elsewhere.
#pragma once

#include <cstdint>

#include "platform/cpu.h"

#if defined(ORV_KERNELS_X86)
#define ORV_X86_KERNELS(set) (set)
#else
#define ORV_X86_KERNELS(set) nullptr
#endif
#if defined(ORV_KERNELS_NEON)
#define ORV_NEON_KERNELS(set) (set)
#else
#define ORV_NEON_KERNELS(set) nullptr
#endif

namespace orv_filter {

// One family's sets by level; a pointer (to a function or a table), null for
// a level this build has none of.
template <class Set>
struct KernelLadder {
  Set scalar;
  Set sse2;
  Set avx2;
  Set neon;
};

// The scalar set, upgraded by each later rung whose feature bit the word holds.
template <class Set>
Set pickKernels(std::uint32_t features, const KernelLadder<Set>& ladder) {
  Set chosen = ladder.scalar;
  if (ladder.sse2 && (features & orv::kCpuSSE2)) chosen = ladder.sse2;
  if (ladder.avx2 && (features & orv::kCpuAVX2)) chosen = ladder.avx2;
  if (ladder.neon && (features & orv::kCpuNEON)) chosen = ladder.neon;
  return chosen;
}

}  // namespace orv_filter
