// The picture readers of the host tool on arbitrary file contents: PNG and
// binary PGM/PPM. A picture that was read has the pixels its size says, and
// survives writing and reading back unchanged.
#include <cstdint>
#include <vector>

#include "fuzz_require.h"
#include "image.h"

namespace {

// Pictures larger than this are refused from their header, as the tool's own
// cap does; it keeps each run quick and its memory small.
constexpr std::uint64_t kMaxPixelBytes = 64u << 20;

using Decoder = bool (*)(const std::vector<std::uint8_t>&, filterhost::Image&, std::string&, std::uint64_t);
using Encoder = bool (*)(const filterhost::Image&, std::vector<std::uint8_t>&, std::string&);

void readAndRewrite(const std::vector<std::uint8_t>& file, Decoder decode, Encoder encode, bool keepsAlpha) {
  filterhost::Image image;
  std::string error;
  if (!decode(file, image, error, kMaxPixelBytes)) {
    FUZZ_REQUIRE(!error.empty());
    return;
  }
  FUZZ_REQUIRE(image.width > 0 && image.height > 0);
  FUZZ_REQUIRE(image.channels == 1 || image.channels == 3 || image.channels == 4);
  FUZZ_REQUIRE(image.pixels.size() == image.rowBytes() * static_cast<std::size_t>(image.height));
  if (image.channels == 4 && !keepsAlpha) return;
  std::vector<std::uint8_t> written;
  FUZZ_REQUIRE(encode(image, written, error));
  filterhost::Image again;
  FUZZ_REQUIRE(decode(written, again, error, kMaxPixelBytes));
  FUZZ_REQUIRE(again.width == image.width && again.height == image.height && again.channels == image.channels);
  FUZZ_REQUIRE(again.pixels == image.pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> file(data, data + size);
  readAndRewrite(file, filterhost::decodePng, filterhost::encodePng, true);
  readAndRewrite(file, filterhost::decodePnm, filterhost::encodePnm, false);
  return 0;
}
