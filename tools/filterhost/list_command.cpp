// `filterhost list`: every filter in enumeration order with its dialog, its
// input types and its parameters as a new instance reports them.
#include <iostream>

#include "commands.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"

namespace filterhost {
namespace {

std::string valueText(IParameterCtrl* ctrl, const ParameterDesc& desc) {
  VARIANT v;
  VariantInit(&v);
  if (ctrl->getParameter(desc.name, &v) != eParamOk) return "(unreadable)";
  std::string text = v.vt == VT_BOOL ? (v.boolVal ? "true" : "false") : std::to_string(v.lVal);
  VariantClear(&v);
  return text;
}

std::string typeText(const FrameTypeInfo& t) {
  std::string text = Pixlib::subtypeName(t.subtype);
  if (t.dim.cx != 0 || t.dim.cy != 0) text += " " + std::to_string(t.dim.cx) + "x" + std::to_string(t.dim.cy);
  return text;
}

}  // namespace

int listCommand(Pixlib::FilterModule& module) {
  for (const std::u16string& name : module.filterNames()) {
    IFrameFilter* filter = module.factory()->createFilter(name.c_str());
    if (!filter) {
      std::cerr << "filterhost: the module lists " << orv::utf16ToUtf8(name) << " but cannot create it\n";
      return 1;
    }
    void* pv = nullptr;
    filter->QueryInterface(IID_IParameterCtrl, &pv);
    auto* ctrl = static_cast<IParameterCtrl*>(pv);

    std::cout << orv::utf16ToUtf8(name) << "\n";
    std::cout << "  dialog: " << (ctrl && ctrl->hasDialog() ? "yes" : "no") << "\n";
    FrameTypeInfo* types = nullptr;
    LONG count = 0;
    std::cout << "  inputs:";
    if (filter->getSupportedInputTypes_(&types, &count) == S_OK) {
      for (LONG i = 0; i < count; ++i) std::cout << (i ? ", " : " ") << typeText(types[i]);
      CoTaskMemFree(types);
    }
    std::cout << "\n  parameters:";
    ParameterDesc desc;
    unsigned n = 0;
    for (; ctrl && ctrl->getParameterDesc(n, &desc); ++n)
      std::cout << "\n    " << orv::utf16ToUtf8(desc.name) << " (" << orv::utf16ToUtf8(desc.typeName)
                << ") = " << valueText(ctrl, desc);
    std::cout << (n == 0 ? " none\n" : "\n");
    filter->Release();
  }
  return 0;
}

}  // namespace filterhost
