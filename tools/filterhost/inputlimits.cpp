#include "inputlimits.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace filterhost {

std::string byteCountText(std::uint64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1024 && unit < 5) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  // Whole multiples without decimals ("256 MiB"), others with one ("1.5 GiB").
  const bool whole = bytes % (std::uint64_t(1) << (10 * (unit + 1))) == 0;
  std::snprintf(text, sizeof text, whole ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
  return text;
}

bool parseByteCount(const std::string& text, std::uint64_t& bytes) {
  std::uint64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [rest, ec] = std::from_chars(text.data(), end, number);
  if (ec != std::errc() || rest == text.data()) return false;
  std::string suffix(rest, end);
  for (char& c : suffix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (suffix.size() > 1 && (suffix.substr(1) == "B" || suffix.substr(1) == "IB")) suffix.resize(1);
  int shift = 0;
  if (suffix == "K") {
    shift = 10;
  } else if (suffix == "M") {
    shift = 20;
  } else if (suffix == "G") {
    shift = 30;
  } else if (suffix == "T") {
    shift = 40;
  } else if (!suffix.empty()) {
    return false;
  }
  if (number > (UINT64_MAX >> shift)) return false;
  bytes = number << shift;
  return true;
}

std::string fileLimitText(std::uint64_t limit) {
  return "the file size limit of " + byteCountText(limit) + " (--max-file-size raises it)";
}

std::string frameLimitText(std::uint64_t limit) {
  return "the frame memory limit of " + byteCountText(limit) + " (--max-frame-memory raises it)";
}

}  // namespace filterhost
