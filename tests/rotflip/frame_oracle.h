// Test support for the rotation kernels: an independent oracle written from
// the displayed pixel mapping, and guarded buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rotflip/rotflip_frames.h"

namespace rotflip_test {

using orv_filter::RotFlipFrames;

// Where displayed source pixel (x, y) of a w x h frame lands, as displayed,
// for case index 0..15: a clockwise turn, then the mirrors.
struct Point {
  LONG x, y;
};
Point displayedTarget(unsigned index, LONG w, LONG h, LONG x, LONG y);

bool isQuarterTurn(unsigned index);

// The destination bytes the oracle expects, in memory order.
std::vector<BYTE> expectedFrame(unsigned index, const BYTE* src, LONG w, LONG h, unsigned bytesPerPixel,
                                bool storedTopDown);

// Bytes placed right against an inaccessible page, after their end
// (AgainstEnd) or before their start (AgainstStart), so that any access
// outside them faults even without a sanitizer.
class GuardedBytes {
 public:
  enum Placement { AgainstEnd, AgainstStart };
  GuardedBytes(std::size_t size, Placement placement);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  BYTE* data() { return data_; }
  std::size_t size() const { return size_; }
  std::vector<BYTE> bytes() const { return std::vector<BYTE>(data_, data_ + size_); }

 private:
  void* map_ = nullptr;
  std::size_t mapSize_ = 0;
  BYTE* data_ = nullptr;
  std::size_t size_ = 0;
};

void fillRandom(BYTE* p, std::size_t n, std::uint32_t seed);

// A frame pair for case `index` with the destination sides the filter's
// output-type rule gives.
RotFlipFrames framesFor(unsigned index, const BYTE* src, BYTE* dst, LONG w, LONG h, unsigned bytesPerPixel,
                        bool storedTopDown);

}  // namespace rotflip_test
