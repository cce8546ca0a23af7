#include "fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include "inputlimits.h"

namespace filterhost {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A file is the same file under any name or link when device and inode agree.
std::set<std::pair<dev_t, ino_t>>& protectedFiles() {
  static std::set<std::pair<dev_t, ino_t>> files;
  return files;
}

std::string systemReason() { return std::strerror(errno); }

bool writeAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Devices and pipes (/dev/null, a terminal) cannot be replaced by a renamed
// file; they take the bytes directly.
bool writeInPlace(const std::string& path, const void* data, std::size_t size, std::string& why) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    why = systemReason();
    return false;
  }
  const bool written = writeAll(fd, data, size);
  if (!written) why = systemReason();
  if (::close(fd) != 0 && written) {
    why = systemReason();
    return false;
  }
  return written;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside `target`, named after it; O_EXCL so that nothing present
// is reused. The mode 0666 is narrowed by the umask as for any new file.
int createTemporary(const std::string& target, std::string& tempPath) {
  const auto slash = target.rfind('/');
  const std::string prefix = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + "." +
                             target.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp-" +
                             std::to_string(::getpid()) + "-";
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = prefix + std::to_string(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The folder entry of a rename is durable only once the folder is synced;
// a folder that cannot be opened or synced is left as it is.
void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

// Plain stdio: a directory or an unreadable file shows up as an error code
// instead of an exception thrown from deep inside a stream buffer.
bool readWholeFile(const std::string& path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes,
                   std::string& why) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    why = systemReason();
    return false;
  }
  const std::string tooLong = "longer than " + fileLimitText(maxBytes);
  struct stat info {};
  if (::fstat(::fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode)) {
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
      why = tooLong;
      return false;
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  }
  bytes.clear();
  std::uint8_t chunk[65536];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    if (n > maxBytes - bytes.size()) {  // a file that grows, or one without end
      why = tooLong;
      bytes.clear();
      return false;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (std::ferror(file.get())) {
    why = systemReason();
    return false;
  }
  return true;
}

bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& why) {
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) return writeInPlace(path, data, size, why);
  why = refusedOutput(path);
  if (!why.empty()) return false;

  // A link is followed, so that the file it names is replaced, not the link.
  std::string target = path;
  if (exists) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) target = resolved;
  }
  std::string tempPath;
  const int fd = createTemporary(target, tempPath);
  if (fd < 0) {
    why = systemReason();
    return false;
  }
  if (exists) ::fchmod(fd, info.st_mode & 07777);  // the replaced file's permissions; best effort
  bool ok = writeAll(fd, data, size) && ::fsync(fd) == 0;
  if (!ok) why = systemReason();
  if (::close(fd) != 0 && ok) {
    why = systemReason();
    ok = false;
  }
  if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
    why = systemReason();
    ok = false;
  }
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  syncFolder(folderOf(target));
  return true;
}

void protectInputFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) protectedFiles().insert({info.st_dev, info.st_ino});
}

std::string refusedOutput(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && protectedFiles().count({info.st_dev, info.st_ino}))
    return "it is one of the files this run reads; choose another name";
  return {};
}

}  // namespace filterhost
