// The case operations: check the frame pair, pick the kernel set for this
// processor once per frame, and run the case's memory-order operation.
#include <cstring>

#include "platform/orv_assert.h"
#include "rotflip/rotflip_cpu.h"
#include "rotflip/rotflip_frames.h"
#include "rotflip_kernels.h"
#include "rotflip_plan.h"

namespace orv_filter {
namespace {

using rotflip_detail::RotFlipOp;

// A pair that breaks the size rule would send mirrored offsets outside the
// destination, so it is refused before anything is read or written.
bool framesFit(int angle, const RotFlipFrames& frames) {
  if (frames.bytesPerPixel < 1 || frames.bytesPerPixel > 4) {
    ORV_ASSERT(false);  // no kernel for this pixel size
    return false;
  }
  const LONG srcDimx = frames.width, srcDimy = frames.height;
  const LONG destDimx = frames.destWidth, destDimy = frames.destHeight;
  if (!ORV_CHECK(srcDimx >= 0 && srcDimy >= 0)) return false;
  if (angle % 180 == 0) {
    if (!ORV_CHECK(srcDimx == destDimx && srcDimy == destDimy)) return false;
  } else {
    if (!ORV_CHECK(srcDimx == destDimy && srcDimy == destDimx)) return false;
  }
  if (srcDimx == 0 || srcDimy == 0) return true;
  return ORV_CHECK(frames.src != nullptr && frames.dst != nullptr);
}

// Frames too large to stay in the caches are streamed, from a size of each
// operation's own.
bool streamsBySize(RotFlipOp op, std::size_t frameBytes) {
  switch (op) {
    case RotFlipOp::copyRows:
      return frameBytes >= rotflip_detail::kLargeFrameBytes;
    case RotFlipOp::mirrorRows:
      return frameBytes >= rotflip_detail::kLargeMirrorBytes;
    case RotFlipOp::transpose:
      break;
  }
  return frameBytes >= rotflip_detail::kLargeTurnBytes;
}

bool runCase(int angle, bool flipV, bool flipH, const RotFlipFrames& frames) {
  if (!framesFit(angle, frames)) return false;
  if (frames.width == 0 || frames.height == 0) return true;

  const rotflip_detail::RotFlipKernels& kernels = rotflip_detail::rotFlipKernelsFor(getCpuFeatures());
  const rotflip_detail::RotFlipPlan plan = rotflip_detail::planRotFlip(angle, flipV, flipH, frames);
  const unsigned b = frames.bytesPerPixel;
  const std::size_t rowBytes = std::size_t{b} * static_cast<std::size_t>(frames.width);
  const std::size_t frameBytes = rowBytes * static_cast<std::size_t>(frames.height);
  const bool streamed = frames.rowStores == RowStores::bySize ? streamsBySize(plan.op, frameBytes)
                                                              : frames.rowStores == RowStores::streamed;
  switch (plan.op) {
    case RotFlipOp::copyRows:
      if (plan.srcStride == plan.dstStride) {
        std::memcpy(plan.dst, plan.src, frameBytes);
      } else {
        (streamed ? kernels.copyRowsLarge : kernels.copyRows)(plan.src, plan.srcStride, plan.dst, plan.dstStride,
                                                              rowBytes, static_cast<std::size_t>(frames.height));
      }
      break;
    case RotFlipOp::mirrorRows: {
      const rotflip_detail::MirrorRowsFn mirror = streamed ? kernels.mirrorRowsLarge[b - 1] : kernels.mirrorRows[b - 1];
      if (plan.dstStride == -plan.srcStride) {
        // Mirrored rows in reversed order: the whole frame is one run of
        // pixels reversed, read backwards and written forwards in one stream.
        mirror(frames.src, 0, frames.dst, 0, std::ptrdiff_t{frames.width} * frames.height, 1);
      } else {
        mirror(plan.src, plan.srcStride, plan.dst, plan.dstStride, frames.width, frames.height);
      }
      break;
    }
    case RotFlipOp::transpose:
      kernels.transpose[b - 1](plan.src, plan.srcStride, plan.dst, plan.dstStride, frames.width, frames.height,
                               streamed);
      break;
  }
  return true;
}

}  // namespace

RowStores rowStoresBySize(int angle, bool flipV, bool flipH, const RotFlipFrames& frames) {
  const rotflip_detail::RotFlipPlan plan = rotflip_detail::planRotFlip(angle, flipV, flipH, frames);
  const std::size_t frameBytes = std::size_t{frames.bytesPerPixel} * static_cast<std::size_t>(frames.width) *
                                 static_cast<std::size_t>(frames.height);
  return streamsBySize(plan.op, frameBytes) ? RowStores::streamed : RowStores::ordinary;
}

template <int Angle, bool FlipV, bool FlipH>
bool rotFlipCase(const RotFlipFrames& frames) {
  static_assert(Angle == 0 || Angle == 90 || Angle == 180 || Angle == 270);
  return runCase(Angle, FlipV, FlipH, frames);
}

// Callable by name from other units as well as through the table.
template bool rotFlipCase<0, false, true>(const RotFlipFrames&);
template bool rotFlipCase<0, true, false>(const RotFlipFrames&);
template bool rotFlipCase<0, true, true>(const RotFlipFrames&);
template bool rotFlipCase<90, false, false>(const RotFlipFrames&);
template bool rotFlipCase<90, false, true>(const RotFlipFrames&);
template bool rotFlipCase<90, true, false>(const RotFlipFrames&);
template bool rotFlipCase<90, true, true>(const RotFlipFrames&);
template bool rotFlipCase<180, false, false>(const RotFlipFrames&);
template bool rotFlipCase<180, false, true>(const RotFlipFrames&);
template bool rotFlipCase<180, true, false>(const RotFlipFrames&);
template bool rotFlipCase<180, true, true>(const RotFlipFrames&);
template bool rotFlipCase<270, false, false>(const RotFlipFrames&);
template bool rotFlipCase<270, false, true>(const RotFlipFrames&);
template bool rotFlipCase<270, true, false>(const RotFlipFrames&);
template bool rotFlipCase<270, true, true>(const RotFlipFrames&);

const RotFlipRawCase rotFlipRawCaseTable[16] = {
    nullptr,
    &rotFlipCase<0, false, true>,
    &rotFlipCase<0, true, false>,
    &rotFlipCase<0, true, true>,
    &rotFlipCase<90, false, false>,
    &rotFlipCase<90, false, true>,
    &rotFlipCase<90, true, false>,
    &rotFlipCase<90, true, true>,
    &rotFlipCase<180, false, false>,
    &rotFlipCase<180, false, true>,
    &rotFlipCase<180, true, false>,
    &rotFlipCase<180, true, true>,
    &rotFlipCase<270, false, false>,
    &rotFlipCase<270, false, true>,
    &rotFlipCase<270, true, false>,
    &rotFlipCase<270, true, true>,
};

}  // namespace orv_filter
