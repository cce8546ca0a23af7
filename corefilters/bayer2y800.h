// Passes a raw Bayer frame on as an 8-bit greyscale frame of the same size:
// the bytes are copied one to one and only the frame type changes.
#pragma once

#include <cstring>

#include "framefilterimpl.h"

namespace orv_filter {

class CBayer2Y800 : public FrameFilterImpl<CBayer2Y800> {
 public:
  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"Bayer to Y800"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override {
    Pixlib::addFrameType(types, Pixlib::eBY8, 0, 0);
  }

  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override {
    Pixlib::addFrameType(out, Pixlib::eY800, in.dim.cx, in.dim.cy);
    return true;
  }

  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override {
    BYTE* to = dest.getBufferPtr();
    const BYTE* from = src.getBufferPtr();
    if (!to || !from) return false;
    const DWORD size = dest.getFrameType().buffersize;
    if (!ORV_CHECK(src.getFrameType().buffersize == dest.getFrameType().buffersize)) return false;
    std::memcpy(to, from, size);
    return true;
  }
};

}  // namespace orv_filter
