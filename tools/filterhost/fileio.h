// Whole files in and out, with the system's reason on failure. Every file the
// tool writes goes through writeWholeFile, every file it reads through
// readWholeFile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace filterhost {

// Reads at most `maxBytes`: a longer file, or an endless one such as
// /dev/zero, is refused. `why` receives the system's words ("No such file or
// directory", "Is a directory", ...) or names the limit.
bool readWholeFile(const std::string& path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes,
                   std::string& why);

// Replaces the file at `path` so that a failure (a full disk, a file size
// limit) leaves the previous file as it was: the bytes go to a new file in the
// same folder, which is synced and closed, each step checked, and then
// renamed over `path`; on failure the new file is removed. A path that is not
// a regular file (a device, a pipe) is written in place. A file marked as an
// input of this run is refused.
bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& why);

// Marks an existing file as an input of this run (the same file under any
// name or link), so that writeWholeFile refuses to replace it.
void protectInputFile(const std::string& path);

// Empty when `path` may be written; otherwise the reason writeWholeFile
// would refuse it, so that a command can refuse before it starts.
std::string refusedOutput(const std::string& path);

}  // namespace filterhost
