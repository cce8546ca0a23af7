// NEON kernels: 16 columns per block. Samples sit in 16-bit lanes as the
// shared vector code expects; the interleaving stores write exactly the
// block's 48 or 64 bytes.
#include <arm_neon.h>

#include "debayer_simd_span.h"
#include "kernel_tables.h"

namespace orv_filter {
namespace {

struct NeonOps {
  using V = uint16x8_t;
  static constexpr UINT kBytes = 16;

  static V load(const BYTE* p) { return vreinterpretq_u16_u8(vld1q_u8(p)); }
  static V splat16(int value) { return vdupq_n_u16(static_cast<std::uint16_t>(value)); }
  static V bitAnd(V a, V b) { return vandq_u16(a, b); }
  static V bitAndNot(V mask, V b) { return vbicq_u16(b, mask); }
  static V bitOr(V a, V b) { return vorrq_u16(a, b); }
  static V add(V a, V b) { return vaddq_u16(a, b); }
  template <int N>
  static V shr(V a) { return vshrq_n_u16(a, N); }
  template <int N>
  static V shl(V a) { return vshlq_n_u16(a, N); }
  // Lanes hold 0..1020: unsigned differences and compares are exact.
  static V absDiff(V a, V b) { return vabdq_u16(a, b); }
  static V greater(V a, V b) { return vcgtq_u16(a, b); }
  static V select(V mask, V a, V b) { return vbslq_u16(mask, a, b); }
  // Each even byte copied over the odd byte after it.
  static V dupLow(V a) {
    const uint8x16_t bytes = vreinterpretq_u8_u16(a);
    return vreinterpretq_u16_u8(vtrn1q_u8(bytes, bytes));
  }
  // Even bytes of a, odd bytes of b.
  static V mergeLowHigh(V a, V b) { return vbslq_u16(vdupq_n_u16(0xFF00), b, a); }

  // 16 pixels of 4 bytes: 64 bytes, interleaved by the store.
  static void storeBgra(BYTE* p, V b, V g, V r) {
    const uint8x16x4_t px{{vreinterpretq_u8_u16(b), vreinterpretq_u8_u16(g), vreinterpretq_u8_u16(r), vdupq_n_u8(255)}};
    vst4q_u8(p, px);
  }
  // 16 pixels of 3 bytes: 48 bytes.
  static void storeBgr(BYTE* p, V b, V g, V r) {
    const uint8x16x3_t px{{vreinterpretq_u8_u16(b), vreinterpretq_u8_u16(g), vreinterpretq_u8_u16(r)}};
    vst3q_u8(p, px);
  }
};

}  // namespace

const DeBayerKernelTable& detail::neonKernelTable(int bytesPerPixel) {
  return kernelTableOf<VectorSpan<NeonOps>>(bytesPerPixel);
}

}  // namespace orv_filter
