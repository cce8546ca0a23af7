// Binary PGM (P5) and PPM (P6) with at most 8 bits per sample.
#include <cctype>

#include "image.h"

namespace filterhost {
namespace {

class HeaderReader {
 public:
  explicit HeaderReader(const std::vector<std::uint8_t>& file) : m_File(file) {}

  // The next decimal field, skipping white space and comments.
  bool number(long long& value) {
    skipSpaceAndComments();
    if (m_Pos >= m_File.size() || !std::isdigit(m_File[m_Pos])) return false;
    value = 0;
    while (m_Pos < m_File.size() && std::isdigit(m_File[m_Pos])) {
      value = value * 10 + (m_File[m_Pos++] - '0');
      if (value > 1'000'000'000) return false;
    }
    return true;
  }

  // Exactly one white-space byte separates the header from the samples.
  bool endOfHeader() {
    if (m_Pos >= m_File.size() || !std::isspace(m_File[m_Pos])) return false;
    ++m_Pos;
    return true;
  }

  std::size_t position() const { return m_Pos; }

 private:
  void skipSpaceAndComments() {
    while (m_Pos < m_File.size()) {
      if (std::isspace(m_File[m_Pos])) {
        ++m_Pos;
      } else if (m_File[m_Pos] == '#') {
        while (m_Pos < m_File.size() && m_File[m_Pos] != '\n' && m_File[m_Pos] != '\r') ++m_Pos;
      } else {
        break;
      }
    }
  }

  const std::vector<std::uint8_t>& m_File;
  std::size_t m_Pos = 2;  // after the magic number
};

}  // namespace

bool decodePnm(const std::vector<std::uint8_t>& file, Image& image, std::string& error, std::uint64_t maxBytes) {
  if (file.size() < 2 || file[0] != 'P' || (file[1] != '5' && file[1] != '6')) {
    error = "not a binary PGM or PPM image (P5 or P6)";
    return false;
  }
  const int channels = file[1] == '5' ? 1 : 3;
  HeaderReader header(file);
  long long width = 0, height = 0, maxValue = 0;
  if (!header.number(width) || !header.number(height) || !header.number(maxValue) || !header.endOfHeader()) {
    error = "a PGM/PPM image with a damaged or truncated header";
    return false;
  }
  if (width < 1 || height < 1) {
    error = "a PGM/PPM image of " + std::to_string(width) + "x" + std::to_string(height) +
            " pixels, which the tool does not take";
    return false;
  }
  error = sizeProblem("a PGM/PPM image", static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                      static_cast<std::uint64_t>(channels), maxBytes);
  if (!error.empty()) return false;
  if (maxValue < 1 || maxValue > 65535) {
    error = "a PGM/PPM image with a maximum sample value of " + std::to_string(maxValue);
    return false;
  }
  if (maxValue > 255) {
    error = "a PGM/PPM image with 16-bit samples; only 8-bit samples are supported";
    return false;
  }
  Image read = makeImage(static_cast<int>(width), static_cast<int>(height), channels);
  const std::size_t available = file.size() - header.position();
  if (available < read.pixels.size()) {
    error = "a truncated PGM/PPM image: " + std::to_string(read.pixels.size()) + " bytes of samples expected, " +
            std::to_string(available) + " present";
    return false;
  }
  const std::uint8_t* samples = file.data() + header.position();
  for (std::size_t i = 0; i < read.pixels.size(); ++i) {
    const unsigned v = samples[i];
    if (v > maxValue) {
      error = "a PGM/PPM image with a sample above its maximum value";
      return false;
    }
    // Scale to the full 8-bit range, rounding to nearest.
    read.pixels[i] = static_cast<std::uint8_t>((v * 255 + static_cast<unsigned>(maxValue) / 2) / maxValue);
  }
  image = std::move(read);
  return true;
}

bool encodePnm(const Image& image, std::vector<std::uint8_t>& file, std::string& error) {
  if (image.channels != 1 && image.channels != 3 && image.channels != 4) {
    error = "cannot write a picture of " + std::to_string(image.channels) + " channels as PGM/PPM";
    return false;
  }
  const int outChannels = image.channels == 1 ? 1 : 3;
  const std::string header = std::string(outChannels == 1 ? "P5" : "P6") + "\n" + std::to_string(image.width) + " " +
                             std::to_string(image.height) + "\n255\n";
  file.assign(header.begin(), header.end());
  file.reserve(file.size() + static_cast<std::size_t>(image.width) * image.height * outChannels);
  const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < pixels; ++i)
    for (int c = 0; c < outChannels; ++c) file.push_back(image.pixels[i * image.channels + c]);
  return true;
}

}  // namespace filterhost
