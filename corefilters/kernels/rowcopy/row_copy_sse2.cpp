// SSE2 row copy: four vectors per step. SSE2 is the x86-64 baseline.
#include <emmintrin.h>

#include "row_copy.h"
#include "row_copy_vector.h"

namespace orv_filter {
namespace {
struct Sse2Ops {
  using V = __m128i;
  static constexpr std::size_t kBytes = 16;
  static V load(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void store(BYTE* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
};
}  // namespace

void copyRowsSse2(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows) {
  VectorRowCopy<Sse2Ops>::run(src, srcPitch, dst, dstPitch, rowBytes, rows);
}

}  // namespace orv_filter
