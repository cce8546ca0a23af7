// `filterhost list`: every filter in enumeration order with its dialog, its
// input types and its parameters as a new instance reports them.
#include <iostream>

#include "commands.h"
#include "filtersetup.h"
#include "pixrt/filterchain.h"
#include "pixrt/filtertraits.h"
#include "pixrt/typelists.h"
#include "platform/textconv.h"

namespace filterhost {
namespace {

const char* liveText(Pixlib::LiveChange live) {
  switch (live) {
    case Pixlib::LiveChange::Allowed:
      return "changes while streaming";
    case Pixlib::LiveChange::KeepingShape:
      return "changes while streaming if the output size stays";
    case Pixlib::LiveChange::Refused:
      break;
  }
  return "fixed while streaming";
}

}  // namespace

int listCommand(Pixlib::FilterModule& module) {
  for (const std::u16string& name : module.filterNames()) {
    FilterHandle handle(module.factory()->createFilter(name.c_str()));
    if (!handle) {
      std::cerr << "filterhost: the module lists " << orv::utf16ToUtf8(name) << " but cannot create it\n";
      return kExitFailure;
    }
    std::cout << orv::utf16ToUtf8(name) << "\n";
    std::cout << "  dialog: " << (handle.params() && handle.params()->hasDialog() ? "yes" : "no") << "\n";
    const std::vector<FrameTypeInfo> inputs = Pixlib::supportedInputTypes(handle.filter());
    std::cout << "  inputs:" << (inputs.empty() ? " none" : "");
    for (std::size_t i = 0; i < inputs.size(); ++i) std::cout << (i ? ", " : " ") << Pixlib::frameTypeText(inputs[i]);
    const std::vector<ParameterView> parameters = parametersOf(handle.params());
    std::cout << "\n  parameters:" << (parameters.empty() ? " none" : "") << "\n";
    const Pixlib::FilterTraits* traits = Pixlib::findFilterTraits(name);
    for (const ParameterView& p : parameters) {
      std::cout << "    " << p.name << " (" << p.typeName << ") = " << p.value;
      const Pixlib::ParameterTraits* param = traits ? Pixlib::findParameterTraits(*traits, orv::utf8ToUtf16(p.name)) : nullptr;
      if (param) std::cout << "  [" << Pixlib::describeValues(*param) << "; " << liveText(param->live) << "]";
      std::cout << "\n";
    }
    if (traits && !traits->alwaysEmits) std::cout << "  emits fewer frames than it takes\n";
  }
  return kExitOk;
}

}  // namespace filterhost
