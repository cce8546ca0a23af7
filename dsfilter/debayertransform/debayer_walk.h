// The frame walk and the per-pixel rules shared by every instruction set.
//
// Everything here has internal linkage on purpose: the AVX2 translation unit
// is compiled with -mavx2, and an inline function with external linkage that
// it instantiated could be the copy the linker keeps for the scalar and SSE2
// units too, which would then fault on a processor without AVX2.
#pragma once

#include <cstddef>
#include <cstring>

#include "transform_method.h"

namespace orv_filter {
namespace {

constexpr UINT kMinWidth = kDeBayerMinWidth;
constexpr UINT kMinHeight = kDeBayerMinHeight;

inline UINT rowCount(LONG signedHeight) {
  // Through unsigned arithmetic so that the most negative height has a magnitude too.
  const UINT bits = static_cast<UINT>(signedHeight);
  return signedHeight < 0 ? 0u - bits : bits;
}

// One computed pixel, named by role in its row: `own` is the colour the row
// carries besides green (red in red rows, blue in blue rows), `other` the
// colour it lacks.
struct RowPixel {
  BYTE own;
  BYTE green;
  BYTE other;
};

// Source rows around the row being computed.
struct RowWindow {
  const BYTE* up;
  const BYTE* mid;
  const BYTE* down;
};

// The pixel at column c of the middle row. OwnSite tells whether c holds a
// sample of the row's own colour (else it holds green). 1 <= c <= W - 2.
template <LONG Method, bool OwnSite>
inline RowPixel pixelAt(const RowWindow& w, UINT c) {
  const unsigned left = w.mid[c - 1], right = w.mid[c + 1], centre = w.mid[c];
  if constexpr (Method == eNearestColor) {
    // The 2 x 2 cell of columns c - 1, c and rows y - 1, y; its own-colour
    // sample and its green of row y lie in the middle row, its other colour
    // in the row above, in the column that is not an own-colour site.
    if constexpr (OwnSite) {
      return {static_cast<BYTE>(centre), static_cast<BYTE>(left), w.up[c - 1]};
    } else {
      return {static_cast<BYTE>(left), static_cast<BYTE>(centre), w.up[c]};
    }
  } else {
    const unsigned up = w.up[c], down = w.down[c];
    if constexpr (OwnSite) {
      const unsigned diag = (w.up[c - 1] + w.up[c + 1] + w.down[c - 1] + w.down[c + 1]) >> 2;
      unsigned green = (left + right + up + down) >> 2;
      if constexpr (Method == eEdgeSensing) {
        const unsigned h = left > right ? left - right : right - left;
        const unsigned v = up > down ? up - down : down - up;
        if (h < v) {
          green = (left + right) >> 1;
        } else if (h > v) {
          green = (up + down) >> 1;
        }
      }
      return {static_cast<BYTE>(centre), static_cast<BYTE>(green), static_cast<BYTE>(diag)};
    } else {
      return {static_cast<BYTE>((left + right) >> 1), static_cast<BYTE>(centre), static_cast<BYTE>((up + down) >> 1)};
    }
  }
}

template <LONG Method>
inline RowPixel pixelAtColumn(const RowWindow& w, UINT c, bool ownSite) {
  return ownSite ? pixelAt<Method, true>(w, c) : pixelAt<Method, false>(w, c);
}

template <int Bpp, bool RedRow>
inline void putPixel(BYTE* p, RowPixel px) {
  p[0] = RedRow ? px.other : px.own;
  p[1] = px.green;
  p[2] = RedRow ? px.own : px.other;
  if constexpr (Bpp == 4) p[3] = 255;
}

// Where a row's pixels go, and what the row after it will need first: its
// destination row and the one source row it reads that this row does not.
// Both lie inside the buffers; a vector policy prefetches them.
struct RowTarget {
  BYTE* out;
  BYTE* nextOut;
  const BYTE* nextSource;
};

// The span policy of the scalar kernels: no vector part, the pair loop does
// every inner column. A vector policy has the same shape and returns the first
// (even) column it left to the pair loop.
struct ScalarSpan {
  template <LONG Method, int Bpp, bool RedRow, bool OwnEven>
  static UINT run(const RowWindow&, const RowTarget&, UINT) {
    return 2;
  }
};

// One output row. OwnEven tells whether the row's own colour sits at even columns.
template <class Span, LONG Method, int Bpp, bool RedRow, bool OwnEven>
void deBayerRow(const RowWindow& w, const RowTarget& target, UINT width) {
  BYTE* const out = target.out;
  const RowPixel first = pixelAt<Method, !OwnEven>(w, 1);
  putPixel<Bpp, RedRow>(out, first);
  putPixel<Bpp, RedRow>(out + Bpp, first);

  // Pairs start at even columns, so within a pair the sites are fixed.
  UINT x = Span::template run<Method, Bpp, RedRow, OwnEven>(w, target, width);
  for (; x + 2 < width; x += 2) {
    putPixel<Bpp, RedRow>(out + std::size_t(x) * Bpp, pixelAt<Method, OwnEven>(w, x));
    putPixel<Bpp, RedRow>(out + std::size_t(x + 1) * Bpp, pixelAt<Method, !OwnEven>(w, x + 1));
  }

  const UINT last = width - 2;
  const RowPixel edge = pixelAtColumn<Method>(w, last, ((last & 1u) == 0) == OwnEven);
  putPixel<Bpp, RedRow>(out + std::size_t(last) * Bpp, edge);
  putPixel<Bpp, RedRow>(out + std::size_t(last + 1) * Bpp, edge);
}

// Source row y yields destination row y for a bottom-up source and row
// H - 1 - y for a top-down one. Either way the destination is filled in
// increasing memory order (a top-down source is read from its row H - 2 up),
// which is what the caches and prefetchers handle best; the bytes do not
// depend on the order.
template <class Span, LONG Method, int Bpp, bool BottomUpSource>
void deBayerFrame(const BYTE* src, BYTE* dst, UINT width, LONG signedHeight, const DeBayerParams& params) {
  const UINT height = rowCount(signedHeight);
  if (width < kMinWidth || height < kMinHeight) return;

  const std::size_t srcStride = width;
  const std::size_t dstStride = std::size_t(width) * Bpp;
  const UINT redRowParity = static_cast<UINT>(params.redRowParity) & 1u;
  const UINT redColumnParity = static_cast<UINT>(params.redColumnParity) & 1u;

  for (UINT outRow = 1; outRow + 1 < height; ++outRow) {
    const UINT y = BottomUpSource ? outRow : height - 1 - outRow;
    const BYTE* mid = src + y * srcStride;
    const RowWindow w{mid - srcStride, mid, mid + srcStride};
    // The source row the next output row reads and this one does not; the
    // last row has none and names its own middle row instead.
    const BYTE* fresh = outRow + 2 >= height ? mid : BottomUpSource ? w.down + srcStride : w.up - srcStride;
    BYTE* out = dst + outRow * dstStride;
    const RowTarget target{out, out + dstStride, fresh};
    const bool redRow = (y & 1u) == redRowParity;
    // Red sits at redColumnParity in red rows, blue at the other parity in blue rows.
    const bool ownEven = (redRow ? redColumnParity : redColumnParity ^ 1u) == 0;
    if (redRow) {
      if (ownEven) {
        deBayerRow<Span, Method, Bpp, true, true>(w, target, width);
      } else {
        deBayerRow<Span, Method, Bpp, true, false>(w, target, width);
      }
    } else {
      if (ownEven) {
        deBayerRow<Span, Method, Bpp, false, true>(w, target, width);
      } else {
        deBayerRow<Span, Method, Bpp, false, false>(w, target, width);
      }
    }
  }

  // The first and last source rows are not demosaiced: their output rows
  // repeat their neighbours, in memory order whatever the placement.
  std::memcpy(dst, dst + dstStride, dstStride);
  std::memcpy(dst + (height - 1) * dstStride, dst + (height - 2) * dstStride, dstStride);
}

// The kernel table of one span policy and pixel size, rows in tDeBayerOptions order.
template <class Span, int Bpp>
struct KernelTable {
  static constexpr DeBayerKernelTable value = {
      {&deBayerFrame<Span, eNearestColor, Bpp, true>, &deBayerFrame<Span, eNearestColor, Bpp, false>},
      {&deBayerFrame<Span, eBilinear, Bpp, true>, &deBayerFrame<Span, eBilinear, Bpp, false>},
      {&deBayerFrame<Span, eEdgeSensing, Bpp, true>, &deBayerFrame<Span, eEdgeSensing, Bpp, false>},
  };
};

// The table of one span policy for 3 or 4 bytes per output pixel.
template <class Span>
const DeBayerKernelTable& kernelTableOf(int bytesPerPixel) {
  return bytesPerPixel == 3 ? KernelTable<Span, 3>::value : KernelTable<Span, 4>::value;
}

}  // namespace
}  // namespace orv_filter
