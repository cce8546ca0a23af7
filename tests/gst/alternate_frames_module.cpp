// A module of one filter that the host-side table does not know, so hosts
// count on it to give a frame for every frame it takes: it copies grey
// frames and refuses every second one, as a filter refuses a frame it
// cannot take.
#include <cstring>

#include "cfilterfactory.h"
#include "framefilterimpl.h"

namespace {

class AlternateFrames : public FrameFilterImpl<AlternateFrames> {
 public:
  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"Alternate Frames"); }

  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override {
    Pixlib::addFrameType(types, Pixlib::eY800, 0, 0);
  }
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override {
    out.push_back(in);
    return true;
  }
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override {
    if (m_Frames++ % 2 == 1) return false;
    std::memcpy(dest.getBufferPtr(), src.getBufferPtr(), dest.getFrameType().buffersize);
    return true;
  }

 private:
  unsigned m_Frames = 0;
};

}  // namespace

extern "C" ORV_EXPORT IFilterFactory* getFilterFactory() {
  static CFilterFactory factory;
  static const bool registered = (factory.registerFilter<AlternateFrames>(), true);
  static_cast<void>(registered);
  return &factory;
}
