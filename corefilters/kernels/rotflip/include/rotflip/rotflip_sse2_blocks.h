// The 4 x 4 SSE2 path for 32-bit frames whose sides are multiples of 4: every
// load and store moves one row of four pixels. Kept beside the faster paths
// as a second reference; all accesses are unaligned, so the buffers need no
// alignment.
#pragma once

#include "rotflip/rotflip_frames.h"

namespace orv_filter {

// Mirrors each memory row (W a multiple of 4): groups of four pixels are
// reversed and stored at the mirrored column, in the same memory row when
// keepRowOrder is set and in row H-1-r otherwise.
void mirrorRows4(const BYTE* src, BYTE* dst, LONG width, LONG height, bool keepRowOrder);

// Copies memory row r to row H-1-r.
void reverseRows4(const BYTE* src, BYTE* dst, LONG width, LONG height);

// Copies the whole frame.
void copyFrame4(const BYTE* src, BYTE* dst, LONG width, LONG height);

// Where a 4 x 4 block turn sends source pixel (column c, row r), in memory
// coordinates of a W x H source: clockwise (H-1-r, c), counterClockwise
// (r, W-1-c), transpose (r, c), antiTranspose (H-1-r, W-1-c).
enum class BlockTurn { clockwise, counterClockwise, transpose, antiTranspose };

// Each writes the destination block whose top-left memory cell is
// (destCol, destRow), both multiples of 4, of the H x W destination of a
// W x H source.
void turnBlock4x4Clockwise(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow);
void turnBlock4x4CounterClockwise(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow);
void turnBlock4x4Transpose(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow);
void turnBlock4x4AntiTranspose(const BYTE* src, BYTE* dst, LONG width, LONG height, LONG destCol, LONG destRow);

// Walks the destination in 4 x 4 blocks, block rows top to bottom and blocks
// left to right, turning each with `turn`.
void turnFrame4(BlockTurn turn, const BYTE* src, BYTE* dst, LONG width, LONG height);

// Runs case `index` (1..15) on this path: checks the size rule of the case
// (asserting it) and returns false, writing nothing, when it breaks or when
// the frame does not qualify (4 bytes per pixel, both sides multiples of 4).
bool rotFlipSse2Case(unsigned index, const RotFlipFrames& frames);

}  // namespace orv_filter
