// Pictures as the tool reads and writes them: 8-bit samples, rows from the
// top of the picture down, samples of a pixel in R, G, B(, A) order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inputlimits.h"

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

// The widest and tallest picture the tool takes; larger ones are refused
// before their samples are decoded.
inline constexpr std::uint64_t kMaxImageSide = 65535;

// Empty when a picture of this size has sides up to kMaxImageSide and at most
// `maxBytes` of samples; otherwise a sentence about it, `kind` naming the
// format ("a PNG image of 70000x2 pixels, ...").
std::string sizeProblem(const std::string& kind, std::uint64_t width, std::uint64_t height, std::uint64_t channels,
                        std::uint64_t maxBytes);

// Decoders work on the whole file held in memory and refuse, from the header
// alone, a picture whose samples would take more than `maxBytes`. Samples are
// read as stored: a PNG's gamma, colour space and background do not change
// them (grey pictures are raw sensor data). Each returns false with `error`
// set to a sentence about the picture (without its file name).
bool decodePng(const std::vector<std::uint8_t>& file, Image& image, std::string& error,
               std::uint64_t maxBytes = InputLimits{}.frameBytes);
bool decodePnm(const std::vector<std::uint8_t>& file, Image& image, std::string& error,
               std::uint64_t maxBytes = InputLimits{}.frameBytes);

bool encodePng(const Image& image, std::vector<std::uint8_t>& file, std::string& error);
// P5 for grey, P6 for RGB; the alpha of an RGBA picture is dropped.
bool encodePnm(const Image& image, std::vector<std::uint8_t>& file, std::string& error);

// The formats the tool writes, told by the file name's extension (in any
// case): .png, .pgm and .ppm. Another extension, or none, is refused with
// `error` saying what the tool writes (without the file name).
enum class ImageFormat { png, pgm, ppm };
bool imageFormatFor(const std::string& path, ImageFormat& format, std::string& error);

// Files: the format is told by the first bytes when reading (PNG, or PGM/PPM
// P5/P6) and by the name when writing. A grey picture written as .ppm becomes
// RGB with three equal samples; a colour one is not written as .pgm. The
// error names the file.
bool readImageFile(const std::string& path, Image& image, std::string& error, const InputLimits& limits = {});
bool writeImageFile(const std::string& path, const Image& image, std::string& error);

}  // namespace filterhost
