#include "fileio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace filterhost {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

// Plain stdio: a directory or an unreadable file shows up as an error code
// instead of an exception thrown from deep inside a stream buffer.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& why) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    why = std::strerror(errno);
    return false;
  }
  bytes.clear();
  std::uint8_t chunk[65536];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  if (std::ferror(file.get())) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& why) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    why = std::strerror(errno);
    return false;
  }
  if (std::fwrite(data, 1, size, file.get()) != size || std::fflush(file.get()) != 0) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace filterhost
