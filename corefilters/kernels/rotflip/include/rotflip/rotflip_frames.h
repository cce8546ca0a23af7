// Rotation and mirror kernels of the Rotate Flip filter.
//
// Operations: the fifteen case operations of rotFlipRawCaseTable (quarter
// turns and mirrors, for pixels of 1, 2, 3 and 4 bytes, frames stored either
// way up). Each case is planned as one of three row operations (a row copy,
// a row mirror, a transposition) and runs the kernel set the ladder of
// kernel_ladder.h picks once per frame: the plain C++ set on every processor,
// upgraded to SSE2 or AVX2 on x86-64 and NEON on AArch64. The vector sets
// share their transposes and mirrors (vector_kernels.h, over each set's
// operations); each brings its own 3-byte mirror, 3-byte transpose and row
// copy. AVX2 turns 3-byte pixels widened to dwords, NEON split into three
// byte planes; SSE2, which has no byte shuffle, turns them with the blocked
// scalar kernel, streamed to memory.
//
// The frame pair a rotation or mirror case works on, and the table of the
// fifteen case operations the Rotate Flip filter calls once per frame.
#pragma once

#include "platform/wintypes.h"

namespace orv_filter {

// How row copies and row mirrors write the destination (turns decide by size
// alone). Ordinary stores read each destination line before writing it,
// which costs nothing while the frame is in the caches and a second pass
// over memory when it is not; streamed (non-temporal) stores skip that read
// but send the frame to memory, which loses time on a frame that would have
// stayed in the caches. bySize streams frames too large to stay in the
// caches and writes smaller ones with ordinary stores; ordinary and streamed
// overrule it, for a caller that has timed its frames and found where they
// live. Either way the bytes written are the same.
enum class RowStores : unsigned char { bySize, ordinary, streamed };

// Raw description of a source and a destination frame. Rows are packed
// without padding: a row is width * bytesPerPixel bytes. The source buffer
// holds width * height pixels and the destination destWidth * destHeight
// pixels; the two buffers must not overlap.
struct RotFlipFrames {
  const BYTE* src;
  BYTE* dst;
  LONG width;          // source pixels per row
  LONG height;         // source rows (absolute)
  LONG destWidth;      // destination pixels per row
  LONG destHeight;     // destination rows (absolute)
  UINT bytesPerPixel;  // of the source, used for both frames
  bool storedTopDown;  // memory row 0 is the displayed top row (both frames)
  RowStores rowStores = RowStores::bySize;
};

// A case operation: returns false, with the destination untouched, when the
// pair breaks the size rule of its angle or the pixel size is not 1..4.
using RotFlipRawCase = bool (*)(const RotFlipFrames&);

// Clockwise turn by Angle (0, 90, 180, 270), then mirror top-to-bottom
// (FlipV) and left-to-right (FlipH), as displayed.
template <int Angle, bool FlipV, bool FlipH>
bool rotFlipCase(const RotFlipFrames& frames);

// Index = angle / 90 * 4 + (flip V ? 2 : 0) + (flip H ? 1 : 0). Entry 0 (no
// turn, no mirror) is null: the filter copies that case itself.
extern const RotFlipRawCase rotFlipRawCaseTable[16];

// The stores bySize picks for this case and frame pair: ordinary or streamed.
RowStores rowStoresBySize(int angle, bool flipV, bool flipH, const RotFlipFrames& frames);

constexpr unsigned rotFlipCaseIndex(int angle, bool flipV, bool flipH) {
  return static_cast<unsigned>(angle / 90) * 4u + (flipV ? 2u : 0u) + (flipH ? 1u : 0u);
}

}  // namespace orv_filter
