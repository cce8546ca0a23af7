// UTF-8 <-> UTF-16 conversion with the behaviour of the CP_UTF8 code page and
// flags 0: malformed input becomes U+FFFD, surrogate pairs are encoded and
// decoded, lengths are explicit and no terminator is added or converted.
#pragma once

#include <string>
#include <string_view>

#include "platform/wintypes.h"

constexpr UINT CP_UTF8 = 65001;

// Windows-shaped entry points. `srcLen` is the number of input units (-1: up
// to and including a terminating NUL). With `dstCap` 0 the needed length is
// returned and nothing is written. Returns 0 on failure (unsupported code page
// or flags, null input, destination too small).
ORV_SYSTEM_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, WCHAR* dst,
                                       int dstCap);
ORV_SYSTEM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* src, int srcLen, char* dst,
                                       int dstCap, const char* defaultChar, BOOL* usedDefault);

namespace orv {
// Whole-string conversions built on the two above: an empty input or a failed
// conversion gives an empty string.
ORV_PLATFORM_API std::u16string utf8ToUtf16(std::string_view text);
ORV_PLATFORM_API std::string utf16ToUtf8(std::u16string_view text);
}  // namespace orv
