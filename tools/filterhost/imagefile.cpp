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

}  // namespace

Image makeImage(int width, int height, int channels) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.pixels.assign(image.rowBytes() * static_cast<std::size_t>(height), 0);
  return image;
}

bool readImageFile(const std::string& path, Image& image, std::string& error) {
  std::vector<std::uint8_t> file;
  std::string why;
  bool ok = false;
  if (!readWholeFile(path, file, why)) {
    ok = false;
  } else if (file.empty()) {
    why = "an empty file";
  } else if (startsWith(file, kPngSignature, sizeof kPngSignature)) {
    ok = decodePng(file, image, why);
  } else if (file.size() >= 2 && file[0] == 'P' && (file[1] == '5' || file[1] == '6')) {
    ok = decodePnm(file, image, why);
  } else {
    why = "not a PNG, PGM or PPM image";
  }
  if (!ok) error = "cannot read image '" + path + "': " + why;
  return ok;
}

bool writeImageFile(const std::string& path, const Image& image, std::string& error) {
  const std::string ext = lowerExtension(path);
  std::vector<std::uint8_t> file;
  std::string why;
  const bool encoded = (ext == "pgm" || ext == "ppm") ? encodePnm(image, file, why) : encodePng(image, file, why);
  if (!encoded) {
    error = "cannot write image '" + path + "': " + why;
    return false;
  }
  if (!writeWholeFile(path, file.data(), file.size(), why)) {
    error = "cannot write image '" + path + "': " + why;
    return false;
  }
  return true;
}

}  // namespace filterhost
