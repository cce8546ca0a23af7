// Frame buffers a host hands to filters.
#pragma once

#include <cstdlib>
#include <memory>

#include "frametype.h"

namespace Pixlib {

// A frame of a given type. It owns zero-initialised memory of the type's
// buffer size (computed from subtype and dimensions when the type leaves it
// open), or wraps memory the caller owns, or has no memory at all. Owned
// frames of 4 MiB and more start on a 2 MiB boundary and ask the system for
// huge pages: with 4 KiB pages each row of a large frame lies on a page of
// its own, and a quarter turn, which writes a band across every row, walks
// the page tables for each.
class FrameBuffer final : public IFrameBuffer {
 public:
  // Owns memory for `type`; `type.buffersize` is filled in when 0. Throws
  // std::bad_alloc when there is no memory for it.
  ORV_EXPORT explicit FrameBuffer(const FrameTypeInfo& type);
  // Wraps `memory` (may be null: a buffer without memory).
  ORV_EXPORT FrameBuffer(const FrameTypeInfo& type, BYTE* memory);

  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  const FrameTypeInfo& ORV_CALL getFrameType() const override { return m_Type; }
  BYTE* ORV_CALL getBufferPtr() const override { return m_pData; }

  DWORD size() const { return m_Type.buffersize; }

 private:
  struct FreeMemory {
    void operator()(BYTE* memory) const noexcept { std::free(memory); }
  };
  FrameTypeInfo m_Type;
  std::unique_ptr<BYTE, FreeMemory> m_Owned;
  BYTE* m_pData = nullptr;
};

}  // namespace Pixlib
