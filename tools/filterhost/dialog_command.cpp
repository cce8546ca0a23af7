// `filterhost dialog FILTER`: shows a filter's property dialog and prints the
// parameter text it leaves.
#include <iostream>
#include <utility>

#include "commands.h"
#include "fileio.h"
#include "inputlimits.h"
#include "filtersetup.h"

namespace filterhost {

int dialogCommand(Pixlib::FilterModule& module, const std::vector<std::string>& args) {
  std::string error;
  FilterRequest request;
  if (args.empty() || !parseFilterRequest(args[0], request, error)) {
    std::cerr << "filterhost: " << (args.empty() ? "dialog needs a filter name" : error) << "\n";
    return kExitUsage;
  }
  InputLimits limits;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--save-params" && i + 1 < args.size()) {
      request.saveTo = args[++i];
    } else if (args[i] == "--load-params" && i + 1 < args.size()) {
      request.loadFrom = args[++i];
    } else if (args[i] == "--max-file-size" && i + 1 < args.size()) {
      if (!parseByteCount(args[++i], limits.fileBytes) || limits.fileBytes == 0) {
        std::cerr << "filterhost: --max-file-size " << args[i] << ": expected a number of bytes from 1\n";
        return kExitUsage;
      }
    } else {
      std::cerr << "filterhost: unknown option '" << args[i] << "' for dialog\n";
      return kExitUsage;
    }
  }
  // Settings are made before the dialog, the parameter file written after it.
  const std::string saveTo = std::exchange(request.saveTo, std::string());
  if (!request.loadFrom.empty()) protectInputFile(request.loadFrom);
  if (const std::string why = refusedOutput(saveTo); !saveTo.empty() && !why.empty()) {
    std::cerr << "filterhost: cannot write '" << saveTo << "': " << why << "\n";
    return kExitFailure;
  }
  FilterHandle handle;
  if (const int code = makeFilter(module, request, limits.fileBytes, handle, error)) {
    std::cerr << "filterhost: " << error << "\n";
    return code;
  }
  if (!handle.params()->hasDialog()) {
    std::cerr << "filterhost: '" << request.name << "' has no property dialog\n";
    return kExitFailure;
  }
  if (!handle.params()->callDialog(nullptr)) {
    std::cerr << "filterhost: the dialog of '" << request.name << "' could not be shown (no display?)\n";
    return kExitFailure;
  }
  const std::string text = parameterText(handle.params());
  std::cout << (text.empty() ? "{}" : text) << "\n";
  if (!saveTo.empty()) {
    if (const int code = saveParameterFile(request.name, handle.params(), saveTo, error)) {
      std::cerr << "filterhost: " << error << "\n";
      return code;
    }
  }
  return kExitOk;
}

}  // namespace filterhost
