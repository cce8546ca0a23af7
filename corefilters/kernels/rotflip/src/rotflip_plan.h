// Every case, in memory coordinates, is one of three operations on rows
// walked with signed strides: a reversed row order is the same operation
// started at the last row with the stride negated.
#pragma once

#include <cstddef>

#include "rotflip/rotflip_frames.h"

namespace orv_filter::rotflip_detail {

enum class RotFlipOp {
  copyRows,    // destination row i = source row i (plain copy or row reversal)
  mirrorRows,  // destination row i = source row i with its pixels reversed
  transpose,   // destination row c, column r = source row r, column c
};

struct RotFlipPlan {
  RotFlipOp op;
  const BYTE* src;
  std::ptrdiff_t srcStride;  // bytes from one walked source row to the next
  BYTE* dst;
  std::ptrdiff_t dstStride;
};

// The plan for a clockwise turn by `angle` followed by the mirrors, on
// frames that satisfy the size rule and are not empty.
RotFlipPlan planRotFlip(int angle, bool flipV, bool flipH, const RotFlipFrames& frames);

}  // namespace orv_filter::rotflip_detail
