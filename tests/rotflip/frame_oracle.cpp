#include "frame_oracle.h"

#include <cstring>

namespace rotflip_test {

Point displayedTarget(unsigned index, LONG w, LONG h, LONG x, LONG y) {
  switch (index) {
    case 0:
      return {x, y};
    case 1:
      return {w - 1 - x, y};
    case 2:
      return {x, h - 1 - y};
    case 3:
      return {w - 1 - x, h - 1 - y};
    case 4:
      return {h - 1 - y, x};
    case 5:
      return {y, x};
    case 6:
      return {h - 1 - y, w - 1 - x};
    case 7:
      return {y, w - 1 - x};
    case 8:
      return {w - 1 - x, h - 1 - y};
    case 9:
      return {x, h - 1 - y};
    case 10:
      return {w - 1 - x, y};
    case 11:
      return {x, y};
    case 12:
      return {y, w - 1 - x};
    case 13:
      return {h - 1 - y, w - 1 - x};
    case 14:
      return {y, x};
    case 15:
      return {h - 1 - y, x};
  }
  throw std::invalid_argument("case index");
}

bool isQuarterTurn(unsigned index) { return (index >= 4 && index <= 7) || index >= 12; }

std::vector<BYTE> expectedFrame(unsigned index, const BYTE* src, LONG w, LONG h, unsigned b, bool topDown) {
  const LONG dw = isQuarterTurn(index) ? h : w;
  const LONG dh = isQuarterTurn(index) ? w : h;
  std::vector<BYTE> out(static_cast<std::size_t>(w) * h * b);
  for (LONG y = 0; y < h; ++y) {
    const LONG memY = topDown ? y : h - 1 - y;
    for (LONG x = 0; x < w; ++x) {
      const Point t = displayedTarget(index, w, h, x, y);
      const LONG memTY = topDown ? t.y : dh - 1 - t.y;
      std::memcpy(&out[(static_cast<std::size_t>(memTY) * dw + t.x) * b],
                  src + (static_cast<std::size_t>(memY) * w + x) * b, b);
    }
  }
  return out;
}

RotFlipFrames framesFor(unsigned index, const BYTE* src, BYTE* dst, LONG w, LONG h, unsigned b, bool topDown) {
  const bool q = isQuarterTurn(index);
  return RotFlipFrames{src, dst, w, h, q ? h : w, q ? w : h, b, topDown};
}

}  // namespace rotflip_test
