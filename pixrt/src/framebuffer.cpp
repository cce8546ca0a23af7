#include "pixrt/framebuffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Pixlib {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHugeFrom = std::size_t{4} << 20;

// Zeroed memory for a frame of `bytes`. A huge frame's last huge page may be
// only partly used: at most 2 MiB more than the frame, against the 4 KiB
// page-table walks a frame turned with small pages pays for each row.
BYTE* allocateFrame(std::size_t bytes) {
  if (bytes < kHugeFrom) {
    void* memory = std::calloc(std::max<std::size_t>(bytes, 1), 1);
    if (!memory) throw std::bad_alloc();
    return static_cast<BYTE*>(memory);
  }
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, rounded);
  if (!memory) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  // Only advice: without huge pages the frame works as well, a little slower.
  madvise(memory, rounded, MADV_HUGEPAGE);
#endif
  std::memset(memory, 0, bytes);
  return static_cast<BYTE*>(memory);
}

}  // namespace

FrameBuffer::FrameBuffer(const FrameTypeInfo& type) : m_Type(type) {
  if (m_Type.buffersize == 0) m_Type.buffersize = calcRequiredBuffersize(m_Type);
  m_Owned.reset(allocateFrame(m_Type.buffersize));
  m_pData = m_Owned.get();
}

FrameBuffer::FrameBuffer(const FrameTypeInfo& type, BYTE* memory) : m_Type(type), m_pData(memory) {}

}  // namespace Pixlib
