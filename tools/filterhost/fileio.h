// Whole files in and out, with the system's reason on failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace filterhost {

// `why` receives the system's words ("No such file or directory", "Is a
// directory", ...).
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& why);
bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& why);

}  // namespace filterhost
