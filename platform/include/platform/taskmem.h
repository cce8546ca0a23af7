// Task memory: blocks handed between the module and its host. Whoever
// receives a block frees it with CoTaskMemFree of this (one, shared) library.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

// A zero-size request returns a valid, unique block; null on exhaustion.
ORV_SYSTEM_API void* CoTaskMemAlloc(std::size_t size);
// Accepts null.
ORV_SYSTEM_API void CoTaskMemFree(void* block);

namespace orv {
// Test hook: the next `count` calls of CoTaskMemAlloc fail (return null).
ORV_PLATFORM_API void failNextTaskMemAllocs(int count);
}  // namespace orv
