#include <algorithm>
#include <cctype>

#include "fileio.h"
#include "image.h"

namespace filterhost {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool startsWith(const std::vector<std::uint8_t>& file, const std::uint8_t* prefix, std::size_t n) {
  return file.size() >= n && std::equal(prefix, prefix + n, file.begin());
}

std::string lowerExtension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

// Grey samples repeated into red, green and blue.
Image greyAsRgb(const Image& grey) {
  Image rgb = makeImage(grey.width, grey.height, 3);
  for (std::size_t i = 0; i < grey.pixels.size(); ++i) std::fill_n(&rgb.pixels[3 * i], 3, grey.pixels[i]);
  return rgb;
}

bool encodeAs(ImageFormat format, const Image& image, std::vector<std::uint8_t>& file, std::string& why) {
  switch (format) {
    case ImageFormat::png: return encodePng(image, file, why);
    case ImageFormat::ppm: return encodePnm(image.channels == 1 ? greyAsRgb(image) : image, file, why);
    case ImageFormat::pgm:
      if (image.channels != 1) {
        why = "a colour picture is not written as PGM, which holds grey samples; name it .ppm or .png";
        return false;
      }
      return encodePnm(image, file, why);
  }
  return false;
}

}  // namespace

Image makeImage(int width, int height, int channels) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.pixels.assign(image.rowBytes() * static_cast<std::size_t>(height), 0);
  return image;
}

std::string sizeProblem(const std::string& kind, std::uint64_t width, std::uint64_t height, std::uint64_t channels,
                        std::uint64_t maxBytes) {
  const std::string picture = kind + " of " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
  if (width > kMaxImageSide || height > kMaxImageSide)
    return picture + ", wider or taller than the " + std::to_string(kMaxImageSide) + " pixels the tool takes";
  const std::uint64_t bytes = width * height * channels;
  if (bytes > maxBytes)
    return picture + " needs " + byteCountText(bytes) + ", more than the " + byteCountText(maxBytes) +
           " of frame memory left for it (--max-frame-memory raises the limit)";
  return {};
}

bool imageFormatFor(const std::string& path, ImageFormat& format, std::string& error) {
  const std::string ext = lowerExtension(path);
  if (ext == "png") {
    format = ImageFormat::png;
  } else if (ext == "pgm") {
    format = ImageFormat::pgm;
  } else if (ext == "ppm") {
    format = ImageFormat::ppm;
  } else {
    error = "the tool writes pictures as .png, .pgm (grey) or .ppm (colour), not as " +
            (ext.empty() ? std::string("a name without extension") : "." + ext);
    return false;
  }
  return true;
}

bool readImageFile(const std::string& path, Image& image, std::string& error, const InputLimits& limits) {
  std::vector<std::uint8_t> file;
  std::string why;
  bool ok = false;
  if (!readWholeFile(path, limits.fileBytes, file, why)) {
    ok = false;
  } else if (file.empty()) {
    why = "an empty file";
  } else if (startsWith(file, kPngSignature, sizeof kPngSignature)) {
    ok = decodePng(file, image, why, limits.frameBytes);
  } else if (file.size() >= 2 && file[0] == 'P' && (file[1] == '5' || file[1] == '6')) {
    ok = decodePnm(file, image, why, limits.frameBytes);
  } else {
    why = "not a PNG, PGM or PPM image";
  }
  if (!ok) error = "cannot read image '" + path + "': " + why;
  return ok;
}

bool writeImageFile(const std::string& path, const Image& image, std::string& error) {
  ImageFormat format = ImageFormat::png;
  std::vector<std::uint8_t> file;
  std::string why;
  if (!imageFormatFor(path, format, why) || !encodeAs(format, image, file, why) ||
      !writeWholeFile(path, file.data(), file.size(), why)) {
    error = "cannot write image '" + path + "': " + why;
    return false;
  }
  return true;
}

}  // namespace filterhost
