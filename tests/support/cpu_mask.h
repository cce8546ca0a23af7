// Restricts the processor features the kernels see while in scope, so that
// tests reach the scalar and baseline paths on a processor that has more.
#pragma once

#include <cstdint>

#include "platform/cpu.h"

namespace orv_test {

class FeatureMask {
 public:
  explicit FeatureMask(std::uint32_t mask) { orv::setCpuFeatureMask(mask); }
  ~FeatureMask() { orv::setCpuFeatureMask(~0u); }
  FeatureMask(const FeatureMask&) = delete;
  FeatureMask& operator=(const FeatureMask&) = delete;
};

}  // namespace orv_test
