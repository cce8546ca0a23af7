// Demosaicing kernels: raw 8-bit Bayer mosaic in, 24-bit or 32-bit RGB out.
//
// Operations: deBayerToRGB24 and deBayerToRGB32, each for the three methods
// (nearest colour, bilinear, edge sensing) and both storage directions, all
// through deBayerDispatch and a kernel table. Tables exist for the scalar
// reference (every processor), SSE2 and AVX2 (x86-64) and NEON (AArch64); the
// vector tables share one frame walk (debayer_walk.h) and one block of vector
// code (debayer_simd_span.h) over each set's operations. The entry points take
// the scalar table and let the ladder of kernel_ladder.h upgrade it by the
// processor's features on every call.
//
// These are plain functions on pixel memory. They know nothing about filters,
// frame types or the host: the caller hands them the two pixel pointers, the
// width, a signed height whose sign tells how the source rows are stored, and
// the parameter record below.
//
// Buffers: the source holds W x |H| samples, rows of exactly W bytes; the
// destination holds W x |H| pixels of 3 bytes (blue, green, red) or 4 bytes
// (blue, green, red, 255), rows packed without padding. Sample positions count
// in memory order: row 0 is the first row in memory, column 0 its first byte.
//
// The kernels check no sizes and catch no memory faults: the caller makes
// sure both buffers are that large. Given that, they never touch a byte
// outside them, for any width and height. Frames narrower than
// kDeBayerMinWidth or lower than kDeBayerMinHeight are left untouched
// (nothing is read, nothing is written): callers refuse them.
//
// Odd widths follow the same walk as even ones: columns 0 and 1 get the pixel
// computed at column 1, every later column up to W - 3 its own pixel, and
// columns W - 2 and W - 1 the pixel computed at column W - 2, each pixel by
// the rule of the colour site it really sits on.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

namespace orv_filter {

// The smallest frame the kernels demosaic: 4 columns (so that column W - 2
// has a right neighbour) and 3 rows (so that row 1 has both vertical ones).
constexpr UINT kDeBayerMinWidth = 4;
constexpr UINT kDeBayerMinHeight = 3;

// Demosaicing method; the values index the rows of a kernel table.
enum tDeBayerOptions : LONG { eNearestColor = 0, eBilinear = 1, eEdgeSensing = 2 };

// Start pattern: which colour sits at column 0 of memory rows 1 and 0.
//   value  red row parity  red column parity  memory row 0  memory row 1
//   eRG    1               0                  G B G B ...   R G R G ...
//   eGB    1               1                  B G B G ...   G R G R ...
//   eGR    0               0                  R G R G ...   G B G B ...
//   eBG    0               1                  G R G R ...   B G B G ...
enum tBayerPattern : LONG { eRG = 0, eGB = 1, eGR = 2, eBG = 3 };

// Rows whose index has redRowParity hold red and green samples, the others
// green and blue. In red rows red sits at columns of redColumnParity; in blue
// rows blue sits at columns of the other parity. Only the lowest bit of each
// parity is used. `pattern` rides along for the caller; the kernels ignore it.
struct DeBayerParams {
  std::int32_t redRowParity;
  std::int32_t redColumnParity;
  std::int32_t pattern;
  std::int32_t mode;
};
static_assert(sizeof(DeBayerParams) == 16);

// Parities from a start pattern (its two lowest bits), plus the two values.
DeBayerParams makeDeBayerParams(LONG pattern, LONG mode);

// A negative signed height means the source is stored bottom-up; |height| is
// the number of rows either way.
using DeBayerKernel = void (*)(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight,
                               const DeBayerParams& params);

// Destination row placement: a kernel for a bottom-up source writes the pixel
// row computed from source row y to destination row y; one for a top-down
// source writes it to row |H| - 1 - y.
struct DeBayerKernelPair {
  DeBayerKernel bottomUpSource;
  DeBayerKernel topDownSource;
};

// One table per output format, rows in tDeBayerOptions order.
using DeBayerKernelTable = DeBayerKernelPair[3];

// Runs the kernel for params.mode from `table`: the bottom-up variant when
// signedHeight < 0, else the top-down one. A mode outside 0..2 is reported as
// a failed assertion and leaves the destination untouched.
void deBayerDispatch(const DeBayerKernelTable& table, const BYTE* src, BYTE* dst, UINT width,
                     LONG signedHeight, const DeBayerParams& params);

// Entry points: dispatch through the fastest table this processor supports
// (deBayerKernelTableFor(orv::cpuFeatureWord(), ...) on every call).
void deBayerToRGB24(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params);
void deBayerToRGB32(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params);

// The table the feature word `cpuFeatures` (orv::CpuFeature bits) selects:
// 24-bit output when bytesPerPixel is 3, 32-bit output otherwise. Every table
// produces the same bytes. Handing out a table does not check the processor;
// calling an AVX2 kernel on a processor without AVX2 faults.
const DeBayerKernelTable& deBayerKernelTableFor(std::uint32_t cpuFeatures, int bytesPerPixel);

}  // namespace orv_filter
