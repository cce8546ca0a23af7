#include "pixrt/typelists.h"

#include "platform/taskmem.h"

namespace Pixlib {
std::vector<FrameTypeInfo> takeTypeList(FrameTypeInfo* types, LONG count) {
  std::vector<FrameTypeInfo> list;
  if (types && count > 0) list.assign(types, types + count);
  CoTaskMemFree(types);
  return list;
}

std::vector<FrameTypeInfo> supportedInputTypes(IFrameFilter* filter) {
  FrameTypeInfo* types = nullptr;
  LONG count = 0;
  const HRESULT hr = filter->getSupportedInputTypes_(&types, &count);
  std::vector<FrameTypeInfo> list = takeTypeList(types, count);
  if (hr != S_OK) list.clear();
  return list;
}

std::vector<FrameTypeInfo> transformOutputTypes(IFrameFilter* filter, const FrameTypeInfo& in) {
  FrameTypeInfo* types = nullptr;
  LONG count = 0;
  const HRESULT hr = filter->getTransformOutputTypes_(in, &types, &count);
  std::vector<FrameTypeInfo> list = takeTypeList(types, count);
  if (hr != S_OK) list.clear();
  return list;
}

}  // namespace Pixlib
