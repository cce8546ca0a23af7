// NEON row copy: four 16-byte registers per step.
#include <arm_neon.h>

#include "row_copy.h"
#include "row_copy_vector.h"

namespace orv_filter {
namespace {
struct NeonOps {
  using V = uint8x16_t;
  static constexpr std::size_t kBytes = 16;
  static V load(const BYTE* p) { return vld1q_u8(p); }
  static void store(BYTE* p, V v) { vst1q_u8(p, v); }
};
}  // namespace

void copyRowsNeon(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows) {
  VectorRowCopy<NeonOps>::run(src, srcPitch, dst, dstPitch, rowBytes, rows);
}

}  // namespace orv_filter
