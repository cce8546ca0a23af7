#include "rotflip/rotflip_cpu.h"

#include "platform/cpu.h"

namespace orv_filter {

// The platform layer already keeps the word in a relaxed atomic filled on
// first use; racing first callers store the same value.
std::uint32_t getCpuFeatures() { return orv::cpuFeatureWord(); }

bool hasSSE2() { return (getCpuFeatures() & orv::kCpuSSE2) != 0; }

}  // namespace orv_filter
