#include "bayer.h"

#include <algorithm>
#include <cctype>

namespace filterhost {
namespace {

constexpr const char* kNames[] = {"RG", "GB", "GR", "BG"};
constexpr BayerLayout kLayouts[] = {{1, 0}, {1, 1}, {0, 0}, {0, 1}};

}  // namespace

BayerLayout bayerLayout(int pattern) { return kLayouts[pattern & 3]; }

const char* patternName(int pattern) { return kNames[pattern & 3]; }

bool parsePattern(const std::string& text, int& pattern) {
  std::string upper = text;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  for (int p = 0; p < 4; ++p) {
    if (upper == kNames[p] || upper == std::to_string(p)) {
      pattern = p;
      return true;
    }
  }
  return false;
}

int bayerChannel(int pattern, int x, int y) {
  const BayerLayout layout = bayerLayout(pattern);
  const bool redColumn = (x & 1) == layout.redColumnParity;
  if ((y & 1) == layout.redRowParity) return redColumn ? 0 : 1;
  return redColumn ? 1 : 2;
}

void mosaic(const Image& picture, int pattern, std::uint8_t* out) {
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = picture.row(y);
    // The channels of the two columns of this row's period.
    const int even = bayerChannel(pattern, 0, y);
    const int odd = bayerChannel(pattern, 1, y);
    const int c = picture.channels;
    // Column pairs, so that the loop holds no choice per pixel.
    int x = 0;
    for (; x + 2 <= picture.width; x += 2, in += 2 * c, out += 2) {
      out[0] = in[even];
      out[1] = in[c + odd];
    }
    if (x < picture.width) *out++ = in[even];
  }
}

Image mosaicImage(const Image& picture, int pattern) {
  Image raw = makeImage(picture.width, picture.height, 1);
  mosaic(picture, pattern, raw.pixels.data());
  return raw;
}

}  // namespace filterhost
