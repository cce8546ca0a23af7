// PNG through libpng's simplified interface, which reports failures in the
// image record instead of jumping out of our code.
#include <png.h>

#include <cstring>

#include "image.h"

namespace filterhost {
namespace {

// Releases what libpng holds for a read or write, whatever happened.
struct PngImage {
  png_image image;
  PngImage() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~PngImage() { png_image_free(&image); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
};

std::string reason(const png_image& image, const char* fallback) {
  return image.message[0] ? std::string(image.message) : std::string(fallback);
}

}  // namespace

bool decodePng(const std::vector<std::uint8_t>& file, Image& image, std::string& error) {
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, file.data(), file.size())) {
    error = "a damaged or truncated PNG image (" + reason(png.image, "bad header") + ")";
    return false;
  }
  if (png.image.format & PNG_FORMAT_FLAG_LINEAR) {
    error = "a PNG image with 16-bit samples; only 8-bit samples are supported";
    return false;
  }
  if (!withinLimits(png.image.width, png.image.height, PNG_IMAGE_PIXEL_CHANNELS(png.image.format))) {
    error = "a PNG image of " + std::to_string(png.image.width) + "x" + std::to_string(png.image.height) +
            " pixels, larger than the tool takes";
    return false;
  }
  // Grey with alpha is read with its alpha and the alpha dropped below, so
  // that grey values (raw sensor samples) are not composited.
  const bool colour = png.image.format & PNG_FORMAT_FLAG_COLOR;
  const bool alpha = png.image.format & PNG_FORMAT_FLAG_ALPHA;
  png.image.format = colour ? (alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB) : (alpha ? PNG_FORMAT_GA : PNG_FORMAT_GRAY);
  const int readChannels = static_cast<int>(PNG_IMAGE_PIXEL_CHANNELS(png.image.format));
  Image read = makeImage(static_cast<int>(png.image.width), static_cast<int>(png.image.height), readChannels);
  if (!png_image_finish_read(&png.image, nullptr, read.pixels.data(), static_cast<png_int_32>(read.rowBytes()),
                             nullptr)) {
    error = "a damaged or truncated PNG image (" + reason(png.image, "read failed") + ")";
    return false;
  }
  if (readChannels == 2) {
    Image grey = makeImage(read.width, read.height, 1);
    for (std::size_t i = 0; i < grey.pixels.size(); ++i) grey.pixels[i] = read.pixels[2 * i];
    read = std::move(grey);
  }
  image = std::move(read);
  return true;
}

bool encodePng(const Image& image, std::vector<std::uint8_t>& file, std::string& error) {
  PngImage png;
  png.image.width = static_cast<png_uint_32>(image.width);
  png.image.height = static_cast<png_uint_32>(image.height);
  switch (image.channels) {
    case 1: png.image.format = PNG_FORMAT_GRAY; break;
    case 3: png.image.format = PNG_FORMAT_RGB; break;
    case 4: png.image.format = PNG_FORMAT_RGBA; break;
    default:
      error = "cannot write a picture of " + std::to_string(image.channels) + " channels as PNG";
      return false;
  }
  const auto stride = static_cast<png_int_32>(image.rowBytes());
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(png.image, size, 0, image.pixels.data(), stride, nullptr)) {
    error = "cannot encode PNG (" + reason(png.image, "encoder failed") + ")";
    return false;
  }
  file.resize(size);
  if (!png_image_write_to_memory(&png.image, file.data(), &size, 0, image.pixels.data(), stride, nullptr)) {
    error = "cannot encode PNG (" + reason(png.image, "encoder failed") + ")";
    return false;
  }
  file.resize(size);
  return true;
}

}  // namespace filterhost
