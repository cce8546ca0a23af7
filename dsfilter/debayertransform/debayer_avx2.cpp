// AVX2 kernels: 32 columns per block. Compiled with -mavx2 and only called
// when the processor reports AVX2.
#include <immintrin.h>

#include <array>
#include <cstdint>

#include "debayer_simd_span.h"
#include "kernel_tables.h"

namespace orv_filter {
namespace {

using ByteTable = std::array<std::int8_t, 32>;

// Interleaving 16 pixels (one 128-bit lane) of three planes into 48 bytes:
// output chunk k (bytes 16k .. 16k + 15) holds at byte j the channel
// (k + j) % 3 of pixel (16k + j) / 3. For a given channel and byte j exactly
// one chunk wants that channel there, k = (channel - j) mod 3, so a single
// byte shuffle per plane places the samples of all three chunks at once, and
// each chunk is then a blend of the three shuffled planes.
constexpr ByteTable planeShuffle(int channel) {
  ByteTable t{};
  for (int i = 0; i < 32; ++i) {
    const int j = i % 16;
    const int k = ((channel - j) % 3 + 3) % 3;
    t[i] = static_cast<std::int8_t>((16 * k + j) / 3);
  }
  return t;
}

// Bytes j of each lane with j % 3 == phase.
constexpr ByteTable phaseMask(int phase) {
  ByteTable t{};
  for (int i = 0; i < 32; ++i) t[i] = (i % 16) % 3 == phase ? -1 : 0;
  return t;
}

constexpr ByteTable kShuffleBlue = planeShuffle(0);
constexpr ByteTable kShuffleGreen = planeShuffle(1);
constexpr ByteTable kShuffleRed = planeShuffle(2);
constexpr ByteTable kPhase1 = phaseMask(1);
constexpr ByteTable kPhase2 = phaseMask(2);
constexpr ByteTable kDupLow = [] {
  ByteTable t{};
  for (int i = 0; i < 32; ++i) t[i] = static_cast<std::int8_t>((i % 16) & ~1);
  return t;
}();

struct Avx2Ops {
  using V = __m256i;
  static constexpr UINT kBytes = 32;

  static V load(const BYTE* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static V table(const ByteTable& t) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.data())); }
  static V splat16(int value) { return _mm256_set1_epi16(static_cast<short>(value)); }
  static V bitAnd(V a, V b) { return _mm256_and_si256(a, b); }
  static V bitAndNot(V mask, V b) { return _mm256_andnot_si256(mask, b); }
  static V bitOr(V a, V b) { return _mm256_or_si256(a, b); }
  static V add(V a, V b) { return _mm256_add_epi16(a, b); }
  template <int N>
  static V shr(V a) { return _mm256_srli_epi16(a, N); }
  template <int N>
  static V shl(V a) { return _mm256_slli_epi16(a, N); }
  static V absDiff(V a, V b) { return _mm256_abs_epi16(_mm256_sub_epi16(a, b)); }
  static V greater(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
  static V select(V mask, V a, V b) { return _mm256_blendv_epi8(b, a, mask); }
  static V dupLow(V a) { return _mm256_shuffle_epi8(a, table(kDupLow)); }
  static V mergeLowHigh(V a, V b) { return _mm256_blendv_epi8(a, b, _mm256_set1_epi16(static_cast<short>(0xFF00))); }

  // 32 pixels of 4 bytes. The unpacks work inside 128-bit lanes, so the four
  // results hold pixels [0-3|16-19], [4-7|20-23], [8-11|24-27], [12-15|28-31];
  // the lane permutes put them back in order.
  static void storeBgra(BYTE* p, V b, V g, V r) {
    const V ff = _mm256_set1_epi8(-1);
    const V bgLo = _mm256_unpacklo_epi8(b, g);
    const V bgHi = _mm256_unpackhi_epi8(b, g);
    const V raLo = _mm256_unpacklo_epi8(r, ff);
    const V raHi = _mm256_unpackhi_epi8(r, ff);
    const V q0 = _mm256_unpacklo_epi16(bgLo, raLo);
    const V q1 = _mm256_unpackhi_epi16(bgLo, raLo);
    const V q2 = _mm256_unpacklo_epi16(bgHi, raHi);
    const V q3 = _mm256_unpackhi_epi16(bgHi, raHi);
    auto* out = reinterpret_cast<__m256i*>(p);
    _mm256_storeu_si256(out + 0, _mm256_permute2x128_si256(q0, q1, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(q2, q3, 0x20));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(q0, q1, 0x31));
    _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(q2, q3, 0x31));
  }

  // 32 pixels of 3 bytes: exactly 96 bytes. Per lane, chunk k blends the
  // shuffled planes so that byte j takes channel (k + j) % 3.
  static void storeBgr(BYTE* p, V b, V g, V r) {
    const V sb = _mm256_shuffle_epi8(b, table(kShuffleBlue));
    const V sg = _mm256_shuffle_epi8(g, table(kShuffleGreen));
    const V sr = _mm256_shuffle_epi8(r, table(kShuffleRed));
    const V phase1 = table(kPhase1);
    const V phase2 = table(kPhase2);
    const V c0 = _mm256_blendv_epi8(_mm256_blendv_epi8(sb, sg, phase1), sr, phase2);
    const V c1 = _mm256_blendv_epi8(_mm256_blendv_epi8(sg, sr, phase1), sb, phase2);
    const V c2 = _mm256_blendv_epi8(_mm256_blendv_epi8(sr, sb, phase1), sg, phase2);
    // Lane 0 of c0, c1, c2 is bytes 0..47, lane 1 bytes 48..95.
    auto* out = reinterpret_cast<__m256i*>(p);
    _mm256_storeu_si256(out + 0, _mm256_permute2x128_si256(c0, c1, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(c2, c0, 0x30));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(c1, c2, 0x31));
  }
};

}  // namespace

const DeBayerKernelTable& detail::avx2KernelTable(int bytesPerPixel) {
  return kernelTableOf<VectorSpan<Avx2Ops>>(bytesPerPixel);
}

}  // namespace orv_filter
