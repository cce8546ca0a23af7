// PNG through libpng's simplified interface, which reports failures in the
// image record instead of jumping out of our code.
#include <png.h>

#include <algorithm>
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

// The ancillary chunks that make libpng's reader change samples: the file's
// gamma, chromaticities, colour profile and standard colour space, which it
// converts to sRGB, and the background it composites on. A grey picture
// with a gAMA chunk of 1.0 would read 64 as 136, ruining raw Bayer samples.
bool changesSamples(const std::uint8_t* type) {
  for (const char* name : {"gAMA", "cHRM", "iCCP", "sRGB", "bKGD"})
    if (std::memcmp(type, name, 4) == 0) return true;
  return false;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The file without those chunks (each: length, type, data, checksum). A
// chunk whose length overruns the file ends the walk; the rest is kept as it
// is for the decoder to refuse.
std::vector<std::uint8_t> withoutSampleChangingChunks(const std::vector<std::uint8_t>& file) {
  constexpr std::size_t kSignature = 8, kFraming = 12;
  std::vector<std::uint8_t> kept(file.begin(), file.begin() + static_cast<long>(std::min(kSignature, file.size())));
  std::size_t at = kSignature;
  while (at + kFraming <= file.size()) {
    const std::uint64_t length = bigEndian32(&file[at]);
    if (length > file.size() - at - kFraming) break;
    const std::size_t end = at + kFraming + static_cast<std::size_t>(length);
    if (!changesSamples(&file[at + 4]))
      kept.insert(kept.end(), file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(end));
    at = end;
  }
  if (at < file.size()) kept.insert(kept.end(), file.begin() + static_cast<long>(at), file.end());
  return kept;
}

}  // namespace

bool decodePng(const std::vector<std::uint8_t>& encoded, Image& image, std::string& error, std::uint64_t maxBytes) {
  // Without colour chunks libpng takes the samples to be sRGB already and
  // hands them over unchanged.
  const std::vector<std::uint8_t> file = withoutSampleChangingChunks(encoded);
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, file.data(), file.size())) {
    error = "a damaged or truncated PNG image (" + reason(png.image, "bad header") + ")";
    return false;
  }
  if (png.image.format & PNG_FORMAT_FLAG_LINEAR) {
    error = "a PNG image with 16-bit samples; only 8-bit samples are supported";
    return false;
  }
  // The header alone tells the size: nothing is decoded for a picture too large.
  error = sizeProblem("a PNG image", png.image.width, png.image.height, PNG_IMAGE_PIXEL_CHANNELS(png.image.format),
                      maxBytes);
  if (!error.empty()) return false;
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
