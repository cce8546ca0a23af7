// AVX2 row copy: two vectors per step. This file alone is compiled with
// -mavx2; nothing here runs unless the processor reports AVX2.
#include <immintrin.h>

#include "row_copy.h"
#include "row_copy_vector.h"

namespace orv_filter {
namespace {
struct Avx2Ops {
  using V = __m256i;
  static constexpr std::size_t kBytes = 32;
  static V load(const BYTE* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static void store(BYTE* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
};
}  // namespace

void copyRowsAvx2(const BYTE* src, std::ptrdiff_t srcPitch, BYTE* dst, std::ptrdiff_t dstPitch, std::size_t rowBytes,
                  std::size_t rows) {
  VectorRowCopy<Avx2Ops>::run(src, srcPitch, dst, dstPitch, rowBytes, rows);
}

}  // namespace orv_filter
