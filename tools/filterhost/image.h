// Pictures as the tool reads and writes them: 8-bit samples, rows from the
// top of the picture down, samples of a pixel in R, G, B(, A) order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace filterhost {

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 grey, 3 RGB, 4 RGBA
  std::vector<std::uint8_t> pixels;

  std::size_t rowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
  std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * rowBytes(); }
  const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * rowBytes(); }
};

// Makes a zero-filled picture.
Image makeImage(int width, int height, int channels);

// The largest picture the tool takes, so that a forged header cannot make it
// allocate without bound.
inline constexpr std::uint64_t kMaxImageBytes = std::uint64_t(1) << 30;
inline constexpr std::uint64_t kMaxImageSide = 65535;
inline bool withinLimits(std::uint64_t width, std::uint64_t height, std::uint64_t channels) {
  return width <= kMaxImageSide && height <= kMaxImageSide && width * height * channels <= kMaxImageBytes;
}

// Decoders work on the whole file held in memory. Each returns false with
// `error` set to a sentence about the picture (without its file name).
bool decodePng(const std::vector<std::uint8_t>& file, Image& image, std::string& error);
bool decodePnm(const std::vector<std::uint8_t>& file, Image& image, std::string& error);

bool encodePng(const Image& image, std::vector<std::uint8_t>& file, std::string& error);
// P5 for grey, P6 for RGB; the alpha of an RGBA picture is dropped.
bool encodePnm(const Image& image, std::vector<std::uint8_t>& file, std::string& error);

// Files: the format is told by the first bytes when reading (PNG, or PGM/PPM
// P5/P6) and by the name's extension when writing (.pgm, .ppm, else PNG).
// The error names the file.
bool readImageFile(const std::string& path, Image& image, std::string& error);
bool writeImageFile(const std::string& path, const Image& image, std::string& error);

}  // namespace filterhost
