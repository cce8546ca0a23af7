// The vector part of a row, written once over a small set of operations that
// each instruction-set unit supplies (its `Ops`).
//
// A block covers Ops::kBytes output columns starting at an even column x.
// Samples are taken as 16-bit lanes: the low byte of a lane is an even column,
// the high byte the odd column after it, so the even and odd columns of a
// block (whose sites are fixed) are worked on separately without shuffling,
// and the two results fold back into consecutive bytes with one shift and one
// or. All sums fit 16 bits and every average is a plain right shift, so the
// bytes equal those of the per-pixel rules in debayer_walk.h.
//
// Internal linkage for the same reason as debayer_walk.h.
#pragma once

#include "debayer_walk.h"

namespace orv_filter {
namespace {

template <class Ops>
struct VectorSpan {
  using V = typename Ops::V;
  static constexpr UINT kBlock = Ops::kBytes;

  // Missing green at an own-colour site, following the weaker gradient;
  // lanes hold the four neighbours as 16-bit values.
  static V edgeGreen(V left, V right, V up, V down) {
    const V across = Ops::add(left, right);
    const V along = Ops::add(up, down);
    const V h = Ops::absDiff(left, right);
    const V v = Ops::absDiff(up, down);
    const V green = Ops::select(Ops::greater(v, h), Ops::template shr<1>(across),
                                Ops::template shr<2>(Ops::add(across, along)));
    return Ops::select(Ops::greater(h, v), Ops::template shr<1>(along), green);
  }

  // Even lanes in the low bytes, odd lanes in the high bytes.
  static V fold(V even, V odd) { return Ops::bitOr(even, Ops::template shl<8>(odd)); }

  template <LONG Method, bool OwnEven>
  static void compute(const BYTE* up, const BYTE* mid, const BYTE* down, V& own, V& green, V& other) {
    const V lo = Ops::splat16(0x00FF);
    const V a = Ops::load(mid);
    if constexpr (Method == eNearestColor) {
      if constexpr (OwnEven) {
        own = Ops::dupLow(a);
        green = Ops::mergeLowHigh(Ops::load(mid - 1), a);
        other = Ops::mergeLowHigh(Ops::load(up - 1), Ops::load(up));
      } else {
        own = Ops::mergeLowHigh(Ops::load(mid - 1), a);
        green = Ops::dupLow(a);
        other = Ops::dupLow(Ops::load(up));
      }
    } else {
      const V u = Ops::load(up);
      const V d = Ops::load(down);
      const V aEven = Ops::bitAnd(a, lo);
      const V aOdd = Ops::template shr<8>(a);
      const V aLeft = Ops::bitAnd(Ops::load(mid - 1), lo);     // column c - 1 of even c
      const V aRight = Ops::template shr<8>(Ops::load(mid + 1));  // column c + 1 of odd c
      const V uEven = Ops::bitAnd(u, lo);
      const V dEven = Ops::bitAnd(d, lo);
      const V uOdd = Ops::template shr<8>(u);
      const V dOdd = Ops::template shr<8>(d);
      const V vertEven = Ops::add(uEven, dEven);
      const V vertOdd = Ops::add(uOdd, dOdd);
      if constexpr (OwnEven) {
        const V vertLeft = Ops::add(Ops::bitAnd(Ops::load(up - 1), lo), Ops::bitAnd(Ops::load(down - 1), lo));
        const V greenEven = Method == eEdgeSensing
                                ? edgeGreen(aLeft, aOdd, uEven, dEven)
                                : Ops::template shr<2>(Ops::add(Ops::add(aLeft, aOdd), vertEven));
        own = fold(aEven, Ops::template shr<1>(Ops::add(aEven, aRight)));
        green = Ops::bitOr(greenEven, Ops::bitAndNot(lo, a));
        other = fold(Ops::template shr<2>(Ops::add(vertLeft, vertOdd)), Ops::template shr<1>(vertOdd));
      } else {
        const V vertRight = Ops::add(Ops::template shr<8>(Ops::load(up + 1)), Ops::template shr<8>(Ops::load(down + 1)));
        const V greenOdd = Method == eEdgeSensing
                               ? edgeGreen(aEven, aRight, uOdd, dOdd)
                               : Ops::template shr<2>(Ops::add(Ops::add(aEven, aRight), vertOdd));
        own = Ops::bitOr(Ops::template shr<1>(Ops::add(aLeft, aOdd)), Ops::bitAndNot(lo, a));
        green = fold(aEven, greenOdd);
        other = fold(Ops::template shr<1>(vertEven), Ops::template shr<2>(Ops::add(vertEven, vertRight)));
      }
    }
  }

  // Also asks for the bytes the next row will store and the source bytes it
  // will read first, at the same columns: a row ahead is early enough to hide
  // most of the wait for those lines, and stores into lines not yet owned
  // are what limits large frames.
  template <LONG Method, int Bpp, bool RedRow, bool OwnEven>
  static void block(const RowWindow& w, const RowTarget& target, UINT x) {
    // PREFETCHW where the unit is built with -mprfchw; processors that lack
    // it run it as a no-op.
    for (UINT offset = 0; offset < kBlock * Bpp; offset += 64) {
      __builtin_prefetch(target.nextOut + std::size_t(x) * Bpp + offset, 1, 3);
    }
    __builtin_prefetch(target.nextSource + x, 0, 3);
    V own, green, other;
    compute<Method, OwnEven>(w.up + x, w.mid + x, w.down + x, own, green, other);
    BYTE* p = target.out + std::size_t(x) * Bpp;
    const V& blue = RedRow ? other : own;
    const V& red = RedRow ? own : other;
    if constexpr (Bpp == 3) {
      Ops::storeBgr(p, blue, green, red);
    } else {
      Ops::storeBgra(p, blue, green, red);
    }
  }

  // Covers columns 2 .. W - 3 when the row is wide enough for one block
  // (a block at x reads columns x - 1 .. x + kBlock, so x + kBlock <= W - 1).
  // The last block may overlap the one before; it recomputes the same bytes.
  // Returns the first column left to the pair loop.
  template <LONG Method, int Bpp, bool RedRow, bool OwnEven>
  static UINT run(const RowWindow& w, const RowTarget& target, UINT width) {
    if (width < kBlock + 3) return 2;
    // Local copies: the stores could alias the callers' records, which would
    // make the compiler reload every pointer after each block.
    const RowWindow win = w;
    const RowTarget to = target;
    UINT x = 2;
    for (; x + kBlock <= width - 1; x += kBlock) block<Method, Bpp, RedRow, OwnEven>(win, to, x);
    if (x + 2 < width) {
      const UINT last = (width - 1 - kBlock) & ~1u;
      block<Method, Bpp, RedRow, OwnEven>(win, to, last);
      x = last + kBlock;
    }
    return x;
  }
};

}  // namespace
}  // namespace orv_filter
