#include "frameconv.h"

#include <cstdint>
#include <cstring>

#include "pixrt/filterchain.h"

namespace filterhost {
namespace {

bool isEightBit(const GUID& subtype) { return Pixlib::getBitsPerPixel(subtype) == 8; }

// The picture row held by memory row `m` of a frame of `type`.
int pictureRow(const FrameTypeInfo& type, int m, int height) {
  return Pixlib::isStoredTopDown(type) ? m : height - 1 - m;
}

}  // namespace

std::vector<GUID> subtypesFor(const Image& image) {
  if (image.channels == 1) return {MEDIASUBTYPE_BY8, MEDIASUBTYPE_Y800};
  if (image.channels == 4) return {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24};
  return {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32};
}

FrameTypeInfo frameTypeFor(const Image& image, const GUID& subtype) {
  FrameTypeInfo type(subtype, image.width, image.height, 0);
  type.buffersize = Pixlib::calcRequiredBuffersize(type);
  return type;
}

void imageToFrame(const Image& image, const FrameTypeInfo& type, BYTE* frame) {
  const int height = image.height;
  const int bytes = static_cast<int>(Pixlib::getBitsPerPixel(type.subtype) / 8);
  const std::size_t frameRow = static_cast<std::size_t>(image.width) * bytes;
  for (int m = 0; m < height; ++m) {
    const std::uint8_t* in = image.row(pictureRow(type, m, height));
    BYTE* out = frame + static_cast<std::size_t>(m) * frameRow;
    if (bytes == 1) {
      std::memcpy(out, in, frameRow);
      continue;
    }
    for (int x = 0; x < image.width; ++x, in += image.channels, out += bytes) {
      const bool grey = image.channels == 1;
      out[0] = in[grey ? 0 : 2];
      out[1] = in[grey ? 0 : 1];
      out[2] = in[0];
      if (bytes == 4) out[3] = image.channels == 4 ? in[3] : 255;
    }
  }
}

bool frameToImage(const FrameTypeInfo& type, const BYTE* frame, Image& image, std::string& error) {
  const DWORD bits = Pixlib::getBitsPerPixel(type.subtype);
  const bool rgb = type.subtype == MEDIASUBTYPE_RGB24 || type.subtype == MEDIASUBTYPE_RGB32;
  if (!isEightBit(type.subtype) && !rgb) {
    error = "frames of type " + Pixlib::frameTypeText(type) + " cannot be shown as a picture";
    return false;
  }
  const std::int64_t rows = Pixlib::frameRows(type);
  if (!Pixlib::fitsDimension(rows)) {
    error = "frames of type " + Pixlib::frameTypeText(type) + " have more rows than a picture can hold";
    return false;
  }
  // The buffer size comes from a filter: read no more than it holds.
  const DWORD needed = Pixlib::calcRequiredBuffersize(type);
  const bool empty = type.dim.cx == 0 || rows == 0;
  if (type.dim.cx < 0 || (!empty && (needed == 0 || type.buffersize < needed))) {
    error = "a frame of type " + Pixlib::frameTypeText(type) + " in " + std::to_string(type.buffersize) +
            " bytes does not hold its pixels";
    return false;
  }
  const int width = type.dim.cx;
  const int height = static_cast<int>(rows);
  const int bytes = static_cast<int>(bits / 8);
  image = makeImage(width, height, bytes == 1 ? 1 : 3);
  const std::size_t frameRow = static_cast<std::size_t>(width) * bytes;
  for (int m = 0; m < height; ++m) {
    const BYTE* in = frame + static_cast<std::size_t>(m) * frameRow;
    std::uint8_t* out = image.row(pictureRow(type, m, height));
    if (bytes == 1) {
      std::memcpy(out, in, frameRow);
      continue;
    }
    for (int x = 0; x < width; ++x, in += bytes, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return true;
}

}  // namespace filterhost
