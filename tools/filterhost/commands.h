#pragma once

#include <string>
#include <vector>

#include "pixrt/filtermodule.h"

namespace filterhost {

// Each command prints to stdout, explains failures on stderr and returns the
// process exit code (filtersetup.h).
int listCommand(Pixlib::FilterModule& module);
int runCommand(Pixlib::FilterModule& module, const std::vector<std::string>& args);
int demoCommand(Pixlib::FilterModule& module, const std::vector<std::string>& args);
int dialogCommand(Pixlib::FilterModule& module, const std::vector<std::string>& args);

}  // namespace filterhost
