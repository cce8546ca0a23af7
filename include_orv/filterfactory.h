// The module's one export and the factory it returns.
#pragma once

#include "framefilter.h"

class IFilterFactory {
 public:
  // Record of the filter at `index` in name order; false past the end.
  virtual bool ORV_CALL getFilterInfo(unsigned index, FilterInfo* pFilterInfo) = 0;
  // A new instance with one reference owned by the caller, or null.
  virtual IFrameFilter* ORV_CALL createFilter(const WCHAR* name) = 0;
  virtual LONG ORV_CALL getVersion() = 0;
};

extern "C" ORV_EXPORT IFilterFactory* getFilterFactory();
using GetFilterFactoryFn = IFilterFactory* (*)();
inline constexpr const char* kGetFilterFactoryName = "getFilterFactory";
