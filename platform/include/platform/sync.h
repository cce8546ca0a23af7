// Re-entrant locks and interlocked counters.
#pragma once

#include "platform/wintypes.h"

// A re-entrant lock: the owning thread may enter it again and must leave it
// as often as it entered. The storage is opaque to callers.
struct CRITICAL_SECTION {
  alignas(16) unsigned char opaque[64];
};

ORV_SYSTEM_API void InitializeCriticalSection(CRITICAL_SECTION* cs);
ORV_SYSTEM_API void DeleteCriticalSection(CRITICAL_SECTION* cs);
ORV_SYSTEM_API void EnterCriticalSection(CRITICAL_SECTION* cs);
ORV_SYSTEM_API void LeaveCriticalSection(CRITICAL_SECTION* cs);

// Atomic increment/decrement; return the new value.
inline LONG InterlockedIncrement(volatile LONG* value) {
  return __atomic_add_fetch(const_cast<LONG*>(value), 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(volatile LONG* value) {
  return __atomic_sub_fetch(const_cast<LONG*>(value), 1, __ATOMIC_SEQ_CST);
}
