#pragma once

#include <string>
#include <vector>

#include "pixrt/filtermodule.h"

namespace filterhost {

// Each command prints to stdout, explains failures on stderr and returns the
// process exit code.
int listCommand(Pixlib::FilterModule& module);

}  // namespace filterhost
