// NEON kernels, 16 frame bytes per step. The accumulator is handled as 16-bit
// lanes with wrap-around adds, which is exactly the 16-bit store of the
// reference loop. AArch64 has no non-temporal store the compiler exposes, so
// large frames are written with ordinary stores.
#include <arm_neon.h>

#include "denoise_kernels.h"
#include "denoise_vector_common.h"

namespace orv_filter {

namespace {
struct NeonOps {
  using V = uint16x8_t;
  static constexpr std::size_t kBytes = 16;

  static V load(const void* p) { return vld1q_u16(static_cast<const std::uint16_t*>(p)); }
  static void store(void* p, V v) { vst1q_u16(static_cast<std::uint16_t*>(p), v); }
  static void store(void* p, uint8x16_t v) { vst1q_u8(static_cast<std::uint8_t*>(p), v); }
  static void stream(void* p, uint8x16_t v) { store(p, v); }
  static void fence() {}
  static uint8x16_t frame(const BYTE* p) { return vld1q_u8(p); }
  static V widenLow(uint8x16_t s) { return vmovl_u8(vget_low_u8(s)); }
  static V widenHigh(uint8x16_t s) { return vmovl_high_u8(s); }
  static V add16(V a, V b) { return vaddq_u16(a, b); }
  static V bitAnd(V a, V b) { return vandq_u16(a, b); }
  static V splat16(int value) { return vdupq_n_u16(static_cast<std::uint16_t>(value)); }
  // A shift by a negative count shifts right.
  static int16x8_t shiftCount(unsigned level) { return vdupq_n_s16(static_cast<std::int16_t>(-static_cast<int>(level))); }
  static V shiftRight16(V v, int16x8_t count) { return vshlq_u16(v, count); }
  static uint8x16_t packBytes(V lo, V hi) { return vcombine_u8(vmovn_u16(lo), vmovn_u16(hi)); }
};
}  // namespace

const DenoiseKernels& denoiseKernelsNeon() { return vectorKernelSet<NeonOps>(); }

}  // namespace orv_filter
