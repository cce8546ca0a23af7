// NEON kernels (AArch64 Advanced SIMD): the operations of the shared vector
// kernels on 16-byte registers, and 3-byte mirrors and turns through the
// de-interleaving loads and stores. AArch64 has no non-temporal store the
// compiler exposes, so the kernels for large frames store ordinarily.
#include <arm_neon.h>

#include "rotflip_kernels.h"
#include "vector_kernels.h"

namespace orv_filter::rotflip_detail {
namespace {

struct NeonOps {
  using V = uint8x16_t;
  static constexpr std::ptrdiff_t kBytes = 16;
  static constexpr LONG kLanes = 1;

  static V load(const BYTE* p) { return vld1q_u8(p); }
  static V loadTile(const BYTE* p) { return load(p); }
  static void store(BYTE* p, V v) { vst1q_u8(p, v); }
  static void stream(BYTE* p, V v) { store(p, v); }
  static void fence() {}
  static V loadLanes(const BYTE* src, std::ptrdiff_t stride, int row, int) { return load(src + row * stride); }

  template <unsigned E>
  static V interleaveLow(V a, V b) {
    if constexpr (E == 1) {
      return vzip1q_u8(a, b);
    } else if constexpr (E == 2) {
      return vreinterpretq_u8_u16(vzip1q_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    } else {
      return vreinterpretq_u8_u32(vzip1q_u32(vreinterpretq_u32_u8(a), vreinterpretq_u32_u8(b)));
    }
  }
  template <unsigned E>
  static V interleaveHigh(V a, V b) {
    if constexpr (E == 1) {
      return vzip2q_u8(a, b);
    } else if constexpr (E == 2) {
      return vreinterpretq_u8_u16(vzip2q_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    } else {
      return vreinterpretq_u8_u32(vzip2q_u32(vreinterpretq_u32_u8(a), vreinterpretq_u32_u8(b)));
    }
  }

  static void storeRowPair(BYTE* out, std::ptrdiff_t stride, int row, V v) {
    vst1_u8(out + row * stride, vget_low_u8(v));
    vst1_u8(out + (row + 1) * stride, vget_high_u8(v));
  }

  // Reversed inside each 64-bit half, then the halves exchanged.
  static V reverse8(V v) {
    const V r = vrev64q_u8(v);
    return vextq_u8(r, r, 8);
  }
  template <unsigned B>
  static auto reverser() {
    if constexpr (B == 1) {
      return [](V v) { return reverse8(v); };
    } else if constexpr (B == 2) {
      return [](V v) {
        const V r = vreinterpretq_u8_u16(vrev64q_u16(vreinterpretq_u16_u8(v)));
        return vextq_u8(r, r, 8);
      };
    } else {
      return [](V v) {
        const V r = vreinterpretq_u8_u32(vrev64q_u32(vreinterpretq_u32_u8(v)));
        return vextq_u8(r, r, 8);
      };
    }
  }
};

// 16 pixels of 3 bytes: the load splits them into three planes, each plane
// is reversed, and the store interleaves them again.
void mirrorRows3_NEON(const BYTE* src, std::ptrdiff_t srcStride, BYTE* dst, std::ptrdiff_t dstStride,
                      std::ptrdiff_t width, LONG rows) {
  const auto group = [](const BYTE* s, BYTE* d) {
    const uint8x16x3_t in = vld3q_u8(s);
    const uint8x16x3_t out{{NeonOps::reverse8(in.val[0]), NeonOps::reverse8(in.val[1]), NeonOps::reverse8(in.val[2])}};
    vst3q_u8(d, out);
  };
  mirrorRowsInGroups<3, 16>(src, srcStride, dst, dstStride, width, rows, group, mirrorRow3_C);
}

// 8 rows of 16 pixels of 3 bytes: the load splits each row into three byte
// planes, each plane is transposed as single bytes are (register k then holds
// destination rows 2k and 2k + 1 in its halves), and the store interleaves
// the planes of each 8-pixel destination row again.
struct Micro3 : VectorMicroBase<NeonOps> {
  static constexpr unsigned kBytes = 3;
  static constexpr LONG kRows = 8, kCols = 16;
  static void run(const BYTE* src, std::ptrdiff_t srcStride, BYTE* out, std::ptrdiff_t outStride) {
    uint8x16_t planes[3][8];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
      const uint8x16x3_t row = vld3q_u8(src + i * srcStride);
      planes[0][i] = row.val[0];
      planes[1][i] = row.val[1];
      planes[2][i] = row.val[2];
    }
#pragma GCC unroll 3
    for (int round = 0; round < 3; ++round) {
      interleaveRound<NeonOps, 1>(planes[0]);
      interleaveRound<NeonOps, 1>(planes[1]);
      interleaveRound<NeonOps, 1>(planes[2]);
    }
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
      vst3_u8(out + 2 * k * outStride,
              uint8x8x3_t{{vget_low_u8(planes[0][k]), vget_low_u8(planes[1][k]), vget_low_u8(planes[2][k])}});
      vst3_u8(out + (2 * k + 1) * outStride,
              uint8x8x3_t{{vget_high_u8(planes[0][k]), vget_high_u8(planes[1][k]), vget_high_u8(planes[2][k])}});
    }
  }
};

}  // namespace

const RotFlipKernels& rotFlipKernels_NEON() {
  static constexpr RotFlipKernels kKernels = vectorKernelSet<NeonOps, InterleaveMicro<NeonOps, 4>>(
      {mirrorRows3_NEON, mirrorRows3_NEON, copyRowsNeon, copyRowsNeon, transposeVector<Micro3>});
  return kKernels;
}

}  // namespace orv_filter::rotflip_detail
