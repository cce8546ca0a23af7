// UTF-8 <-> UTF-16 conversion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textconv.h"

namespace {

constexpr char16_t kFFFD = 0xFFFD;
const std::string kFFFDUtf8 = "\xEF\xBF\xBD";

// Converts with an explicit length: asks for the size, then converts into exactly that much room.
std::u16string toUtf16(const std::string& in) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\xAAAA');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, in.data(), static_cast<int>(in.size()), out.data(), n), n);
  return out;
}

std::string toUtf8(const std::u16string& in) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\xAA');
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, nullptr), n);
  return out;
}

TEST(TextConversion, EdgeCodePointsRoundTrip) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const std::vector<Case> cases = {
      {std::string("\0", 1), std::u16string(u"\0", 1)},
      {"\x7F", u"\x007F"},
      {"\xC2\x80", u"\x0080"},
      {"\xDF\xBF", u"\x07FF"},
      {"\xE0\xA0\x80", u"\x0800"},
      {"\xED\x9F\xBF", u"\xD7FF"},
      {"\xEE\x80\x80", u"\xE000"},
      {"\xEF\xBF\xBF", u"\xFFFF"},
      {"\xF0\x90\x80\x80", {0xD800, 0xDC00}},
      {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},
  };
  for (const Case& c : cases) {
    // Framed by other characters, so that lengths and positions are checked too.
    const std::string utf8 = "a" + c.utf8 + "z";
    const std::u16string utf16 = u"a" + c.utf16 + u"z";
    EXPECT_EQ(toUtf16(utf8), utf16) << "from UTF-8 " << utf8;
    EXPECT_EQ(toUtf8(utf16), utf8) << "from UTF-16 of " << utf8;
    EXPECT_EQ(orv::utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(orv::utf16ToUtf8(utf16), utf8);
  }
}

TEST(TextConversion, MalformedUtf8BecomesOneReplacementPerMaximalSubpart) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const std::vector<Case> cases = {
      {"\x80", {kFFFD}},                                   // lone continuation byte
      {"\xBF\x80", {kFFFD, kFFFD}},
      {"\xC0\x80", {kFFFD, kFFFD}},                        // overlong NUL
      {"\xC1\xBF", {kFFFD, kFFFD}},
      {"\xE0\x80\x80", {kFFFD, kFFFD, kFFFD}},             // overlong three-byte form
      {"\xF0\x80\x80\x80", {kFFFD, kFFFD, kFFFD, kFFFD}},  // overlong four-byte form
      {"\xED\xA0\x80", {kFFFD, kFFFD, kFFFD}},             // encoded surrogate
      {"\xF4\x90\x80\x80", {kFFFD, kFFFD, kFFFD, kFFFD}},  // above U+10FFFF
      {"\xF5\x80", {kFFFD, kFFFD}},
      {"\xFF\xFE", {kFFFD, kFFFD}},
      {"\xC3", {kFFFD}},                                   // truncated at the end
      {"\xE2\x82", {kFFFD}},
      {"\xF0\x9F\x98", {kFFFD}},
      {"\xE2\x82" "A", {kFFFD, u'A'}},                     // truncated before an ASCII byte
      {"\xF0\x9F\x98\xC3\xA9", {kFFFD, 0x00E9}},           // truncated before a valid sequence
      {"\xC3(", {kFFFD, u'('}},
      {"A\xE1\x80\xE2\x82\xAC", {u'A', kFFFD, 0x20AC}},
  };
  for (const Case& c : cases) EXPECT_EQ(toUtf16(c.in), c.out) << "input " << testing::PrintToString(c.in);
}

TEST(TextConversion, UnpairedSurrogatesBecomeReplacements) {
  struct Case {
    std::u16string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{0xD800}, kFFFDUtf8},
      {{0xDC00}, kFFFDUtf8},
      {{0xD83D, u'A'}, kFFFDUtf8 + "A"},
      {{0xDE00, 0xD83D}, kFFFDUtf8 + kFFFDUtf8},  // reversed pair
      {{0xD83D, 0xD83D, 0xDE00}, kFFFDUtf8 + "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(toUtf8(c.in), c.out);

  // The partner beyond the explicit length does not count.
  const char16_t pair[] = {0xD83D, 0xDE00};
  char out[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, pair, 1, out, 8, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(out, 3), kFFFDUtf8);
}

TEST(TextConversion, LengthsTerminatorsAndCapacity) {
  const char* text = "h\xC3\xA9!";  // 4 bytes, 3 UTF-16 units
  WCHAR wide[8];
  // Explicit length: no terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 4, nullptr, 0), 3);
  // -1: up to and including the terminator, which is converted too.
  std::fill(std::begin(wide), std::end(wide), u'#');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 8), 4);
  EXPECT_EQ(std::u16string(wide, 5), std::u16string(u"h\u00E9!\0#", 5));
  // Exactly enough room, then one unit too few.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 4, wide, 3), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 4, wide, 2), 0);

  const char16_t* wtext = u"h\u00E9\U0001F600";  // 4 units, 7 bytes
  char narrow[16];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wtext, 4, nullptr, 0, nullptr, nullptr), 7);
  std::fill(std::begin(narrow), std::end(narrow), '#');
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wtext, -1, narrow, 16, nullptr, nullptr), 8);
  EXPECT_EQ(std::string(narrow, 9), std::string("h\xC3\xA9\xF0\x9F\x98\x80\0#", 9));
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wtext, 4, narrow, 7, nullptr, nullptr), 7);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wtext, 4, narrow, 6, nullptr, nullptr), 0);
}

TEST(TextConversion, RefusedRequests) {
  WCHAR wide[8];
  char narrow[8];
  BOOL usedDefault = FALSE;
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 8, "a", 1, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 8), 0);
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"a", 1, narrow, 8, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0x400, u"a", 1, narrow, 8, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 8, "?", nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 8, nullptr, &usedDefault), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -2, narrow, 8, nullptr, nullptr), 0);
}

TEST(TextConversion, WholeStringHelpers) {
  EXPECT_EQ(orv::utf8ToUtf16(""), u"");
  EXPECT_EQ(orv::utf16ToUtf8(u""), "");
  EXPECT_EQ(orv::utf8ToUtf16("Mode=1\n\xE2\x82\xAC\xFF"), u"Mode=1\n\u20AC\uFFFD");
  EXPECT_EQ(orv::utf16ToUtf8(std::u16string(u"x\0y", 3)), std::string("x\0y", 3));
  const std::string big(100000, 'q');
  EXPECT_EQ(orv::utf16ToUtf8(orv::utf8ToUtf16(big)), big);
}

}  // namespace
