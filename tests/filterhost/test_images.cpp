// Picture files: PNG and PGM/PPM round trips, damaged files, and the frame
// layout pictures are turned into and read back from.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <fstream>

#include "frameconv.h"
#include "image.h"
#include "pixrt/filterchain.h"

using namespace filterhost;
using namespace std::string_literals;

namespace {

Image patterned(int width, int height, int channels) {
  Image image = makeImage(width, height, channels);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 37 + 11);
  return image;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> bigEndian(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t v : values)
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(v >> shift));
  return bytes;
}

// The checksum of a PNG chunk, over its type and data.
std::uint32_t crcOf(const std::uint8_t* bytes, std::size_t size) {
  return static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(size)));
}

// An encoded PNG with one more chunk right after its header chunk (the
// signature and IHDR take the first 33 bytes).
std::vector<std::uint8_t> withChunk(std::vector<std::uint8_t> file, const char* type,
                                    const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> chunk = bigEndian({static_cast<std::uint32_t>(data.size())});
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const std::vector<std::uint8_t> crc = bigEndian({crcOf(&chunk[4], chunk.size() - 4)});
  chunk.insert(chunk.end(), crc.begin(), crc.end());
  file.insert(file.begin() + 33, chunk.begin(), chunk.end());
  return file;
}

// The same PNG claiming other dimensions in its header.
std::vector<std::uint8_t> withSize(std::vector<std::uint8_t> file, std::uint32_t width, std::uint32_t height) {
  const std::vector<std::uint8_t> size = bigEndian({width, height});
  std::copy(size.begin(), size.end(), file.begin() + 16);
  const std::vector<std::uint8_t> crc = bigEndian({crcOf(&file[12], 17)});
  std::copy(crc.begin(), crc.end(), file.begin() + 29);
  return file;
}

std::vector<std::uint8_t> pngOf(const Image& image) {
  std::vector<std::uint8_t> file;
  std::string error;
  EXPECT_TRUE(encodePng(image, file, error)) << error;
  return file;
}

TEST(PngCodec, RoundTripsGreyRgbAndRgbaExactly) {
  for (int channels : {1, 3, 4}) {
    const Image original = patterned(7, 5, channels);
    std::vector<std::uint8_t> file;
    std::string error;
    ASSERT_TRUE(encodePng(original, file, error)) << error;
    Image read;
    ASSERT_TRUE(decodePng(file, read, error)) << error;
    EXPECT_EQ(read.width, 7);
    EXPECT_EQ(read.height, 5);
    EXPECT_EQ(read.channels, channels);
    EXPECT_EQ(read.pixels, original.pixels) << channels << " channels";
  }
}

TEST(PngCodec, RefusesDamagedTruncatedAndSixteenBitFiles) {
  std::vector<std::uint8_t> file;
  std::string error;
  ASSERT_TRUE(encodePng(patterned(16, 16, 3), file, error));
  Image image;
  // Cut anywhere after the signature: header, inside the pixel data, before the end.
  for (std::size_t keep : {std::size_t(8), std::size_t(20), file.size() / 2, file.size() - 13}) {
    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(keep));
    EXPECT_FALSE(decodePng(cut, image, error)) << keep;
    EXPECT_FALSE(error.empty());
  }
  std::vector<std::uint8_t> damaged = file;
  damaged[damaged.size() / 2] ^= 0x5A;  // inside the compressed data: its checksum fails
  EXPECT_FALSE(decodePng(damaged, image, error));
  EXPECT_NE(error.find("damaged or truncated"), std::string::npos) << error;

  png_image deep;
  std::memset(&deep, 0, sizeof deep);
  deep.version = PNG_IMAGE_VERSION;
  deep.width = 2;
  deep.height = 2;
  deep.format = PNG_FORMAT_LINEAR_Y;
  const std::uint16_t samples[4] = {0, 1000, 30000, 65535};
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_get_memory_size(deep, size, 0, samples, 0, nullptr));
  std::vector<std::uint8_t> sixteen(size);
  ASSERT_TRUE(png_image_write_to_memory(&deep, sixteen.data(), &size, 0, samples, 0, nullptr));
  sixteen.resize(size);
  EXPECT_FALSE(decodePng(sixteen, image, error));
  EXPECT_NE(error.find("16-bit"), std::string::npos) << error;
}

// Samples are data (raw sensor values): the chunks that would make a reader
// correct gamma, convert colour spaces or composite a background change none.
TEST(PngCodec, ReadsSamplesAsStoredWhateverTheColourChunksSay) {
  const struct {
    int channels;
    const char* type;
    std::vector<std::uint8_t> data;
  } cases[] = {
      {1, "gAMA", bigEndian({100000})},  // gamma 1.0: corrected, 64 would read as 136
      {1, "gAMA", bigEndian({10000})},
      {3, "gAMA", bigEndian({100000})},
      {3, "cHRM", bigEndian({31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000})},
      {1, "sRGB", {0}},
      {4, "bKGD", bigEndian({255, 0})},
  };
  for (const auto& c : cases) {
    const Image original = patterned(9, 4, c.channels);
    Image read;
    std::string error;
    ASSERT_TRUE(decodePng(withChunk(pngOf(original), c.type, c.data), read, error)) << c.type << ": " << error;
    EXPECT_EQ(read.channels, c.channels);
    EXPECT_EQ(read.pixels, original.pixels) << c.type << ", " << c.channels << " channel(s)";
  }
}

// The header alone decides: a small file claiming a huge picture is refused
// before anything is decoded or allocated.
TEST(ImageDecoders, RefuseAPictureOverTheFrameMemoryFromItsHeader) {
  const std::vector<std::uint8_t> small = pngOf(patterned(100, 100, 1));
  std::string pnm = "P5\n100 100\n255\n";
  pnm.resize(pnm.size() + 10000, '\x07');
  Image image;
  std::string error;
  EXPECT_FALSE(decodePng(withSize(small, 60000, 60000), image, error));
  EXPECT_NE(error.find("60000x60000 pixels needs 3.4 GiB, more than the 1 GiB of frame memory left for it "
                       "(--max-frame-memory raises the limit)"),
            std::string::npos)
      << error;
  EXPECT_FALSE(decodePng(small, image, error, 9999));
  EXPECT_NE(error.find("needs 9.8 KiB"), std::string::npos) << error;
  EXPECT_FALSE(decodePnm(bytesOf(pnm), image, error, 9999));
  EXPECT_NE(error.find("needs 9.8 KiB"), std::string::npos) << error;
  EXPECT_TRUE(decodePnm(bytesOf(pnm), image, error, 10000)) << error;
}

TEST(PnmCodec, ReadsHeadersWithCommentsAndScalesSmallMaximums) {
  Image image;
  std::string error;
  ASSERT_TRUE(decodePnm(bytesOf("P5\n# a comment\n3 1 # more\n255\n\x01\x80\xff"), image, error)) << error;
  EXPECT_EQ(image.channels, 1);
  EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{1, 128, 255}));

  ASSERT_TRUE(decodePnm(bytesOf("P6 1 1 15\n\x00\x07\x0f"s), image, error)) << error;
  EXPECT_EQ(image.channels, 3);
  EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 119, 255}));  // 7 * 255 / 15 = 119

  for (int channels : {1, 3}) {
    const Image original = patterned(5, 3, channels);
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(encodePnm(original, file, error));
    ASSERT_TRUE(decodePnm(file, image, error)) << error;
    EXPECT_EQ(image.pixels, original.pixels);
  }
}

TEST(PnmCodec, RefusesBadFilesWithAReason) {
  struct Case {
    std::string file;
    const char* reason;
  };
  const Case cases[] = {
      {"P3\n1 1\n255\n0 0 0\n", "not a binary PGM or PPM"},
      {"P5\n2 2\n255\n\x01\x02\x03", "truncated PGM/PPM image: 4 bytes of samples expected, 3 present"},
      {"P6\n2 1\n255\n\x01\x02\x03", "truncated"},
      {"P5\n2 2", "damaged or truncated header"},
      {"P5\n2 x 255\n", "damaged or truncated header"},
      {"P5\n0 2\n255\n", "0x2 pixels"},
      {"P5\n70000 2\n255\n", "70000x2 pixels"},
      {"P5\n1 1\n65535\n\x01\x02", "16-bit"},
      {"P5\n1 1\n0\n\x00"s, "maximum sample value of 0"},
      {"P5\n1 1\n15\n\x10", "above its maximum"},
      {"P5\n99999999999 1\n255\n", "damaged or truncated header"},
  };
  for (const Case& c : cases) {
    Image image;
    std::string error;
    EXPECT_FALSE(decodePnm(bytesOf(c.file), image, error)) << c.file;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.file << ": " << error;
  }
}

TEST(ImageFiles, NameTheFileAndTheProblem) {
  const std::string dir = testing::TempDir();
  const std::string empty = dir + "fh-empty.png", text = dir + "fh-text.png", good = dir + "fh-good.PPM";
  std::ofstream(empty).close();
  std::ofstream(text) << "hello";
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {dir + "fh-missing.png", "No such file"},
      {empty, "an empty file"},
      {text, "not a PNG, PGM or PPM image"},
      {dir, "cannot read image"},
  };
  for (const Case& c : cases) {
    Image image;
    std::string error;
    EXPECT_FALSE(readImageFile(c.path, image, error)) << c.path;
    EXPECT_NE(error.find("'" + c.path + "'"), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  // The extension picks the written format, the first bytes the read one.
  std::string error;
  ASSERT_TRUE(writeImageFile(good, patterned(3, 2, 3), error)) << error;
  std::ifstream in(good, std::ios::binary);
  EXPECT_EQ(in.get(), 'P');
  Image back;
  ASSERT_TRUE(readImageFile(good, back, error)) << error;
  EXPECT_EQ(back.pixels, patterned(3, 2, 3).pixels);
  EXPECT_FALSE(writeImageFile(dir + "no-such-dir/x.png", back, error));
  EXPECT_NE(error.find("no-such-dir/x.png"), std::string::npos) << error;
}

TEST(ImageFiles, AreWrittenInTheFormatTheirNameSaysOrNotAtAll) {
  const std::string dir = testing::TempDir();
  const Image grey = patterned(3, 2, 1), colour = patterned(3, 2, 3);
  const struct {
    const char* name;
    const Image& image;
    const char* reason;
  } refused[] = {
      {"fh-x.jpg", grey, "writes pictures as .png, .pgm (grey) or .ppm (colour), not as .jpg"},
      {"fh-x", grey, "not as a name without extension"},
      {"fh-x.pgm", colour, "a colour picture is not written as PGM"},
  };
  for (const auto& c : refused) {
    const std::string path = dir + c.name;
    std::remove(path.c_str());
    std::string error;
    EXPECT_FALSE(writeImageFile(path, c.image, error)) << c.name;
    EXPECT_NE(error.find("cannot write image '" + path + "': "), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_FALSE(std::ifstream(path).good()) << c.name;
  }
  // Grey asked for as PPM: colour with three equal samples.
  std::string error;
  ASSERT_TRUE(writeImageFile(dir + "fh-grey.ppm", grey, error)) << error;
  Image back;
  ASSERT_TRUE(readImageFile(dir + "fh-grey.ppm", back, error)) << error;
  std::vector<std::uint8_t> expected;
  for (std::uint8_t g : grey.pixels) expected.insert(expected.end(), 3, g);
  EXPECT_EQ(back.channels, 3);
  EXPECT_EQ(back.pixels, expected);
}

TEST(FrameLayout, RgbFramesStoreBgrAndBottomUpRowsUnlessTheHeightIsNegative) {
  Image picture = makeImage(2, 2, 3);
  const std::uint8_t rows[2][6] = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};  // top row, then bottom row
  std::memcpy(picture.row(0), rows[0], 6);
  std::memcpy(picture.row(1), rows[1], 6);

  const FrameTypeInfo bottomUp = frameTypeFor(picture, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(bottomUp, FrameTypeInfo(MEDIASUBTYPE_RGB24, 2, 2, 12));
  BYTE frame[12];
  imageToFrame(picture, bottomUp, frame);
  const BYTE expected[12] = {9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4};  // memory row 0 is the bottom row
  EXPECT_TRUE(std::equal(frame, frame + 12, expected));

  Image back;
  std::string error;
  ASSERT_TRUE(frameToImage(bottomUp, frame, back, error)) << error;
  EXPECT_EQ(back.pixels, picture.pixels);
  // The same bytes read as a top-down frame show the picture upside down.
  ASSERT_TRUE(frameToImage(FrameTypeInfo(MEDIASUBTYPE_RGB24, 2, -2, 12), frame, back, error));
  EXPECT_TRUE(std::equal(back.row(0), back.row(0) + 6, rows[1]));

  const FrameTypeInfo rgb32 = frameTypeFor(picture, MEDIASUBTYPE_RGB32);
  BYTE wide[16];
  imageToFrame(picture, rgb32, wide);
  EXPECT_EQ(wide[3], 255);  // no alpha in the picture: opaque
  ASSERT_TRUE(frameToImage(rgb32, wide, back, error));
  EXPECT_EQ(back.pixels, picture.pixels);

  ASSERT_TRUE(frameToImage(FrameTypeInfo(MEDIASUBTYPE_Y800, 2, 2, 4), frame, back, error));
  EXPECT_EQ(back.channels, 1);
  EXPECT_EQ(back.pixels[0], 9);  // greyscale rows run top-down
  EXPECT_FALSE(frameToImage(FrameTypeInfo(MEDIASUBTYPE_UYVY, 2, 2, 8), frame, back, error));
  EXPECT_NE(error.find("UYVY"), std::string::npos);

  // Buffer sizes that do not hold the pixels are refused before anything is read.
  for (const FrameTypeInfo& t : {FrameTypeInfo(MEDIASUBTYPE_RGB24, 2, 2, 11), FrameTypeInfo(MEDIASUBTYPE_Y800, 2, -2, 3),
                                 FrameTypeInfo(MEDIASUBTYPE_Y800, -2, 2, 4),
                                 FrameTypeInfo(MEDIASUBTYPE_RGB32, 65536, 65536, 0xFFFFFFFF)}) {
    EXPECT_FALSE(frameToImage(t, frame, back, error)) << Pixlib::frameTypeText(t);
    EXPECT_NE(error.find("does not hold its pixels"), std::string::npos) << error;
  }
}

TEST(FrameLayout, GreyPicturesAreOfferedAsBayerFirstAndColourOnesAsRgb) {
  EXPECT_EQ(subtypesFor(makeImage(1, 1, 1)), (std::vector<GUID>{MEDIASUBTYPE_BY8, MEDIASUBTYPE_Y800}));
  EXPECT_EQ(subtypesFor(makeImage(1, 1, 3)), (std::vector<GUID>{MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32}));
  EXPECT_EQ(subtypesFor(makeImage(1, 1, 4)), (std::vector<GUID>{MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24}));
}

}  // namespace
