// Runtime selection among the generic kernel's instances: per pixel size,
// 14 for indices 0..7 with a turn or mirror, 4 for 8..11, and the 270 cases
// reusing the 90 instances.
#include <utility>

#include "rotflip_pixels.h"

namespace orv_filter {
namespace {

using PixelsFn = void (*)(const RotFlipFrames&);

// [index][stored top-down]
template <unsigned B>
struct InstanceTable {
  PixelsFn fn[16][2];
};

template <unsigned B, unsigned Index, bool TopDown>
constexpr PixelsFn instance() {
  constexpr int angle = static_cast<int>(Index / 4) * 90;
  constexpr int storageAngle = TopDown ? 360 - angle : angle;
  return &rotFlipPixels<B, storageAngle, (Index & 2) != 0, (Index & 1) != 0>;
}

template <unsigned B, unsigned... Index>
constexpr InstanceTable<B> makeTable(std::integer_sequence<unsigned, Index...>) {
  return InstanceTable<B>{{{instance<B, Index, false>(), instance<B, Index, true>()}...}};
}

template <unsigned B>
constexpr InstanceTable<B> kTable = makeTable<B>(std::make_integer_sequence<unsigned, 16>{});

}  // namespace

bool rotFlipReference(unsigned index, const RotFlipFrames& frames) {
  if (index >= 16) return false;
  const int td = frames.storedTopDown ? 1 : 0;
  switch (frames.bytesPerPixel) {
    case 1:
      kTable<1>.fn[index][td](frames);
      return true;
    case 2:
      kTable<2>.fn[index][td](frames);
      return true;
    case 3:
      kTable<3>.fn[index][td](frames);
      return true;
    case 4:
      kTable<4>.fn[index][td](frames);
      return true;
    default:
      return false;
  }
}

}  // namespace orv_filter
