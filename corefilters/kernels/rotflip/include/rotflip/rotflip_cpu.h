// Processor features as the rotation kernels see them.
#pragma once

#include <cstdint>

namespace orv_filter {

// The feature word (bits as orv::CpuFeature), read once per process and
// cached lock-free by the platform layer; the test mask applies.
std::uint32_t getCpuFeatures();

bool hasSSE2();

}  // namespace orv_filter
