#include "pixrt/framebuffer.h"

namespace Pixlib {

FrameBuffer::FrameBuffer(const FrameTypeInfo& type) : m_Type(type) {
  if (m_Type.buffersize == 0) m_Type.buffersize = calcRequiredBuffersize(m_Type);
  m_Owned = std::make_unique<BYTE[]>(m_Type.buffersize);
  m_pData = m_Owned.get();
}

FrameBuffer::FrameBuffer(const FrameTypeInfo& type, BYTE* memory) : m_Type(type), m_pData(memory) {}

}  // namespace Pixlib
