// The host library: formats, sizes, type matching, frame memory and module loading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "frametype.h"
#include "pixrt/filtermodule.h"
#include "pixrt/framebuffer.h"

using namespace Pixlib;

namespace {

TEST(ColorFormats, MapToPublicSubtypesWithTheirDepthAndDirection) {
  struct Row {
    tColorformatEnum format;
    GUID subtype;
    DWORD bits;
    bool bottomUp;
  };
  const Row rows[] = {
      {eRGB32, MEDIASUBTYPE_RGB32, 32, true},   {eRGB24, MEDIASUBTYPE_RGB24, 24, true},
      {eRGB565, MEDIASUBTYPE_RGB565, 16, true}, {eRGB555, MEDIASUBTYPE_RGB555, 16, true},
      {eRGB8, MEDIASUBTYPE_RGB8, 8, true},      {eUYVY, MEDIASUBTYPE_UYVY, 16, false},
      {eY800, MEDIASUBTYPE_Y800, 8, false},     {eBY8, MEDIASUBTYPE_BY8, 8, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(getSubtypeFromColorformat(r.format), r.subtype) << r.format;
    EXPECT_EQ(getBitsPerPixel(r.subtype), r.bits) << r.format;
    EXPECT_EQ(isBottomUpFrameType(r.subtype), r.bottomUp) << r.format;
  }
  EXPECT_EQ(getSubtypeFromColorformat(static_cast<tColorformatEnum>(8)), GUID_NULL);
  EXPECT_EQ(getBitsPerPixel(GUID_NULL), 0u);
  // "UYVY" read as a little-endian FOURCC.
  EXPECT_EQ(MEDIASUBTYPE_UYVY.Data1, 0x59565955u);
}

TEST(ColorFormats, BufferSizeIsWidthTimesRowsTimesBytes) {
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eRGB24, 640, 480, 0)), 640u * 480 * 3);
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eRGB32, 640, -480, 0)), 640u * 480 * 4);
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eUYVY, 5, 3, 0)), 30u);
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eY800, -5, 3, 0)), 0u);
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eRGB32, 65536, 65536, 0)), 0u);  // beyond 32 bits
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eRGB32, 2147380029, 268448409, 0)), 0u);  // beyond 64 bits
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eRGB32, 2147483647, -2147483647 - 1, 0)), 0u);
  EXPECT_EQ(calcRequiredBuffersize(FrameTypeInfo(eY800, 65535, 65537, 0)), 0xFFFFFFFFu);  // the largest that fits
}

TEST(FrameTypes, MatchingRule) {
  const FrameTypeInfo any(GUID_NULL, 1, 2, 3);
  const FrameTypeInfo a(MEDIASUBTYPE_RGB24, 640, 480, 1000);
  EXPECT_TRUE(frameTypeMatches(a, any));
  EXPECT_TRUE(frameTypeMatches(any, a));
  EXPECT_TRUE(frameTypeMatches(a, FrameTypeInfo(MEDIASUBTYPE_RGB24, 0, 0, 0)));
  EXPECT_FALSE(frameTypeMatches(a, FrameTypeInfo(MEDIASUBTYPE_RGB24, 480, 640, 0)));
  EXPECT_FALSE(frameTypeMatches(a, FrameTypeInfo(MEDIASUBTYPE_RGB32, 640, 480, 1000)));
  EXPECT_FALSE(frameTypeMatches(a, FrameTypeInfo(MEDIASUBTYPE_RGB24, 640, 480, 999)));
  EXPECT_TRUE(frameTypeMatches(FrameTypeInfo(MEDIASUBTYPE_RGB24, 640, 480, 999), a));
  EXPECT_TRUE(frameTypeMatches(a, FrameTypeInfo(MEDIASUBTYPE_RGB24, 640, 480, 0)));
  EXPECT_NE(a, FrameTypeInfo(MEDIASUBTYPE_RGB24, 640, 480, 999));
}

TEST(FrameTypes, StorageDirectionFollowsSubtypeAndHeightSign) {
  EXPECT_TRUE(isStoredTopDown(FrameTypeInfo(eRGB24, 640, -480, 0)));
  EXPECT_FALSE(isStoredTopDown(FrameTypeInfo(eRGB24, 640, 480, 0)));
  EXPECT_FALSE(isStoredTopDown(FrameTypeInfo(eY800, 640, -480, 0)));
  EXPECT_TRUE(isStoredTopDown(FrameTypeInfo(eY800, 640, 480, 0)));
}

TEST(FrameBuffers, OwnZeroedMemoryOfTheirWholeSize) {
  // Sizes on either side of the one from which frames take huge pages.
  constexpr DWORD kHugeFrom = 4u << 20;
  for (const DWORD bytes : {1u, 4095u, kHugeFrom - 1, kHugeFrom, kHugeFrom + (1u << 20) + 1}) {
    FrameBuffer frame(FrameTypeInfo(MEDIASUBTYPE_Y800, static_cast<LONG>(bytes), 1, 0));
    BYTE* data = frame.getBufferPtr();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(frame.size(), bytes);
    if (bytes >= kHugeFrom) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % (2u << 20), 0u) << bytes;
    }
    EXPECT_EQ(std::count(data, data + bytes, BYTE{0}), static_cast<std::ptrdiff_t>(bytes)) << bytes;
    std::fill_n(data, bytes, BYTE{0xA5});  // every byte the frame's own
  }
}

TEST(ModuleLoading, ExplainsEachFailure) {
  std::string error;
  EXPECT_EQ(FilterModule::load("/nonexistent/corefilterssd.ftf", error), nullptr);
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;

  const std::string junk = testing::TempDir() + "junk.ftf";
  std::ofstream(junk) << "not a module";
  EXPECT_EQ(FilterModule::load(junk, error), nullptr);
  EXPECT_NE(error.find("not a loadable module"), std::string::npos) << error;
  std::remove(junk.c_str());

  EXPECT_EQ(FilterModule::load(ORV_PLATFORM_LIB, error), nullptr);
  EXPECT_NE(error.find("does not export getFilterFactory"), std::string::npos) << error;

  auto module = FilterModule::load(ORV_MODULE_PATH, error);
  ASSERT_NE(module, nullptr) << error;
  EXPECT_NE(module->factory(), nullptr);
}

// A bare name is the file in the working folder, as for any file: not a
// module of that name on the library search path (beside libpixrt).
TEST(ModuleLoading, TakesABareNameFromTheWorkingFolder) {
  const std::filesystem::path dir = testing::TempDir() + "pixrt-bare-name";
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(ORV_MODULE_PATH, dir / "mymod.ftf", std::filesystem::copy_options::overwrite_existing);
  std::ofstream(dir / "corefilterssd.ftf") << "not a module";
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::string error;
  const bool copyLoads = FilterModule::load("mymod.ftf", error) != nullptr;
  const std::string copyError = error;
  const bool junkLoads = FilterModule::load("corefilterssd.ftf", error) != nullptr;
  std::filesystem::current_path(before);
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(copyLoads) << copyError;
  EXPECT_FALSE(junkLoads);
  EXPECT_NE(error.find("not a loadable module"), std::string::npos) << error;
}

}  // namespace
