#include "platform/textconv.h"

#include <climits>
#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Collects output units: counts them all, stores them while they fit.
template <typename Unit>
class Sink {
 public:
  Sink(Unit* dst, int cap) : m_dst(dst), m_cap(cap) {}

  void put(Unit unit) {
    if (m_dst && m_count < m_cap) m_dst[m_count] = unit;
    if (m_count < INT_MAX) ++m_count; else m_tooLong = true;
  }
  // The length to report: 0 when the result does not fit (or cannot be counted).
  int result() const {
    if (m_tooLong) return 0;
    if (m_dst && m_count > m_cap) return 0;
    return m_count;
  }

 private:
  Unit* m_dst;
  int m_cap;
  int m_count = 0;
  bool m_tooLong = false;
};

// Decodes one scalar value starting at src[i] and advances i. A malformed
// sequence yields U+FFFD for its maximal subpart: the lead byte and the
// continuation bytes that could still have begun a well-formed sequence.
char32_t decodeUtf8(const unsigned char* src, std::size_t len, std::size_t& i) {
  const unsigned char lead = src[i++];
  if (lead < 0x80) return lead;
  int trail = 0;
  char32_t cp = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;        // no overlong forms
    else if (lead == 0xED) hi = 0x9F;   // no encoded surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;        // no overlong forms
    else if (lead == 0xF4) hi = 0x8F;   // nothing above U+10FFFF
  } else {
    return kReplacement;                // 80..C1 and F5..FF never start a sequence
  }
  for (int k = 0; k < trail; ++k) {
    if (i >= len || src[i] < lo || src[i] > hi) return kReplacement;
    cp = (cp << 6) | (src[i++] & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  return cp;
}

void encodeUtf16(char32_t cp, Sink<WCHAR>& out) {
  if (cp < 0x10000) {
    out.put(static_cast<WCHAR>(cp));
  } else {
    cp -= 0x10000;
    out.put(static_cast<WCHAR>(0xD800 + (cp >> 10)));
    out.put(static_cast<WCHAR>(0xDC00 + (cp & 0x3FF)));
  }
}

void encodeUtf8(char32_t cp, Sink<char>& out) {
  auto put = [&](unsigned value) { out.put(static_cast<char>(static_cast<unsigned char>(value))); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0 | (cp >> 6));
    put(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    put(0xE0 | (cp >> 12));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  } else {
    put(0xF0 | (cp >> 18));
    put(0x80 | ((cp >> 12) & 0x3F));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  }
}

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, WCHAR* dst, int dstCap) {
  if (codePage != CP_UTF8 || flags != 0) return 0;
  if (!src || srcLen == 0 || srcLen < -1 || dstCap < 0 || (dstCap > 0 && !dst)) return 0;
  const std::size_t len = srcLen == -1 ? std::strlen(src) + 1 : static_cast<std::size_t>(srcLen);
  const auto* bytes = reinterpret_cast<const unsigned char*>(src);
  Sink<WCHAR> out(dstCap > 0 ? dst : nullptr, dstCap);
  for (std::size_t i = 0; i < len;) encodeUtf16(decodeUtf8(bytes, len, i), out);
  return out.result();
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* src, int srcLen, char* dst, int dstCap,
                        const char* defaultChar, BOOL* usedDefault) {
  // UTF-8 can encode everything: a default character is meaningless, and asking for one is an error.
  if (codePage != CP_UTF8 || flags != 0 || defaultChar || usedDefault) return 0;
  if (!src || srcLen == 0 || srcLen < -1 || dstCap < 0 || (dstCap > 0 && !dst)) return 0;
  std::size_t len = static_cast<std::size_t>(srcLen);
  if (srcLen == -1) {
    len = 0;
    while (src[len] != 0) ++len;
    ++len;
  }
  Sink<char> out(dstCap > 0 ? dst : nullptr, dstCap);
  for (std::size_t i = 0; i < len; ++i) {
    char32_t unit = src[i];
    if (isHighSurrogate(unit) && i + 1 < len && isLowSurrogate(src[i + 1])) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (src[i + 1] - 0xDC00);
      ++i;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      unit = kReplacement;  // a surrogate without its partner
    }
    encodeUtf8(unit, out);
  }
  return out.result();
}

namespace orv {

std::u16string utf8ToUtf16(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int srcLen = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), srcLen, nullptr, 0);
  if (needed == 0) return {};
  std::u16string out(static_cast<std::size_t>(needed), u'\0');
  if (MultiByteToWideChar(CP_UTF8, 0, text.data(), srcLen, out.data(), needed) != needed) return {};
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int srcLen = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), srcLen, nullptr, 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text.data(), srcLen, out.data(), needed, nullptr, nullptr) != needed) return {};
  return out;
}

}  // namespace orv
