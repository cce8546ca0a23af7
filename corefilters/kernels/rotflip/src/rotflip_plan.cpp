#include "rotflip_plan.h"

namespace orv_filter::rotflip_detail {

RotFlipPlan planRotFlip(int angle, bool flipV, bool flipH, const RotFlipFrames& frames) {
  // A bottom-up frame shows its memory rows upside down, so a clockwise turn
  // on the display is a counter-clockwise turn in memory; the mirrors are
  // their own images under that exchange.
  const int memoryAngle = frames.storedTopDown ? (360 - angle) % 360 : angle;
  const std::ptrdiff_t srcRow = std::ptrdiff_t{frames.width} * frames.bytesPerPixel;
  const std::ptrdiff_t dstRow = std::ptrdiff_t{frames.destWidth} * frames.bytesPerPixel;

  RotFlipPlan plan{RotFlipOp::copyRows, frames.src, srcRow, frames.dst, dstRow};
  bool reverseSrcRows = false;
  bool reverseDstRows = false;
  if (memoryAngle % 180 == 0) {
    // (c, r) -> (W-1-c, H-1-r) for 180, then the mirrors undo or add each half.
    const bool halfTurn = memoryAngle == 180;
    plan.op = (halfTurn != flipH) ? RotFlipOp::mirrorRows : RotFlipOp::copyRows;
    reverseDstRows = halfTurn != flipV;
  } else {
    // 90 in memory is (c, r) -> (r, W-1-c): a transpose written bottom row
    // first; 270 is (H-1-r, c): a transpose of the source read bottom row first.
    plan.op = RotFlipOp::transpose;
    reverseDstRows = (memoryAngle == 90) != flipV;
    reverseSrcRows = (memoryAngle == 270) != flipH;
  }
  if (reverseSrcRows) {
    plan.src += srcRow * (frames.height - 1);
    plan.srcStride = -srcRow;
  }
  if (reverseDstRows) {
    plan.dst += dstRow * (frames.destHeight - 1);
    plan.dstStride = -dstRow;
  }
  return plan;
}

}  // namespace orv_filter::rotflip_detail
