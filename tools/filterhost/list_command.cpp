// `filterhost list`: every filter in enumeration order with its dialog, its
// input types and its parameters as a new instance reports them.
#include <iostream>

#include "commands.h"
#include "filtersetup.h"
#include "pixrt/filterchain.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"

namespace filterhost {

int listCommand(Pixlib::FilterModule& module) {
  for (const std::u16string& name : module.filterNames()) {
    FilterHandle handle(module.factory()->createFilter(name.c_str()));
    if (!handle) {
      std::cerr << "filterhost: the module lists " << orv::utf16ToUtf8(name) << " but cannot create it\n";
      return kExitFailure;
    }
    std::cout << orv::utf16ToUtf8(name) << "\n";
    std::cout << "  dialog: " << (handle.params() && handle.params()->hasDialog() ? "yes" : "no") << "\n";
    FrameTypeInfo* types = nullptr;
    LONG count = 0;
    std::cout << "  inputs:";
    if (handle.filter()->getSupportedInputTypes_(&types, &count) == S_OK) {
      for (LONG i = 0; i < count; ++i) std::cout << (i ? ", " : " ") << Pixlib::frameTypeText(types[i]);
      CoTaskMemFree(types);
    } else {
      std::cout << " none";
    }
    const std::vector<ParameterView> parameters = parametersOf(handle.params());
    std::cout << "\n  parameters:" << (parameters.empty() ? " none" : "") << "\n";
    for (const ParameterView& p : parameters) std::cout << "    " << p.name << " (" << p.typeName << ") = " << p.value << "\n";
  }
  return kExitOk;
}

}  // namespace filterhost
