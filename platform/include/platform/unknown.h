// The root interface of every object handed across the module boundary.
#pragma once

#include "platform/wintypes.h"

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class IUnknown {
 public:
  // [any thread] no lock.
  virtual HRESULT ORV_CALL QueryInterface(REFIID riid, void** ppv) = 0;
  // [any thread] interlocked; no lock.
  virtual ULONG ORV_CALL AddRef() = 0;
  // [any thread] interlocked; the last one deletes the object.
  virtual ULONG ORV_CALL Release() = 0;
};
