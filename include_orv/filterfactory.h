// The module's one export and the factory it returns.
#pragma once

#include "framefilter.h"

// Threads: once getFilterFactory has returned, every operation may run on any
// thread at once; the registry never changes and nothing locks.
class IFilterFactory {
 public:
  // [any thread] Record of the filter at `index` in name order; false past the end.
  virtual bool ORV_CALL getFilterInfo(unsigned index, FilterInfo* pFilterInfo) = 0;
  // [any thread] A new instance with one reference owned by the caller, or null.
  virtual IFrameFilter* ORV_CALL createFilter(const WCHAR* name) = 0;
  // [any thread]
  virtual LONG ORV_CALL getVersion() = 0;
};

// [any thread] Concurrent first calls wait for the one that builds the factory.
extern "C" ORV_EXPORT IFilterFactory* getFilterFactory();
using GetFilterFactoryFn = IFilterFactory* (*)();
inline constexpr const char* kGetFilterFactoryName = "getFilterFactory";
