// How much a run may read and hold, so that an endless file (/dev/zero) or a
// small picture that expands into an enormous frame ends with a message
// instead of exhausting memory. Both limits can be raised on the command line.
#pragma once

#include <cstdint>
#include <string>

namespace filterhost {

struct InputLimits {
  std::uint64_t fileBytes = std::uint64_t(256) << 20;  // read from any one file (--max-file-size)
  std::uint64_t frameBytes = std::uint64_t(1) << 30;   // pictures and frames of a run together (--max-frame-memory)
};

// "100 bytes", "64 KiB", "256 MiB", "1.5 GiB".
std::string byteCountText(std::uint64_t bytes);

// A whole number of bytes with an optional binary multiple: "1000", "64K",
// "256M", "2G" (also "256MiB", "2GB").
bool parseByteCount(const std::string& text, std::uint64_t& bytes);

// The limits as a message names them, with the option that raises each.
std::string fileLimitText(std::uint64_t limit);   // "the file size limit of 256 MiB (--max-file-size raises it)"
std::string frameLimitText(std::uint64_t limit);  // "the frame memory limit of 1 GiB (--max-frame-memory raises it)"

}  // namespace filterhost
