// Frame-type negotiation and transform as a careless or hostile host drives
// them: any input type is offered to any filter with any parameters; the
// output type is one the filter listed or any other; after notifyStart the
// frames handed to transform have the negotiated types (a fitting pair) or
// others (an unfitting pair), and parameters may change between frames.
// Every buffer holds exactly the bytes its type states, against an
// inaccessible page, so a read or write past its end faults even where no
// sanitizer looks.
// Two filters of the same class see the same calls, one on the kernels the
// input picks (AVX2 where the processor has it, or SSE2), one on the scalar
// kernels: they answer alike and write the same bytes, and neither writes
// into its source.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "cpu_mask.h"
#include "fuzz_filters.h"
#include "guarded_bytes.h"
#include "platform/taskmem.h"

namespace {

using orv_fuzz::FilterRef;
using orv_test::GuardedBytes;

// No buffer larger than this: the interesting sizes are small.
constexpr DWORD kMaxBufferBytes = 1u << 20;

class GuardedFrame final : public Pixlib::IFrameBuffer {
 public:
  // withMemory false: a buffer without memory, as a host may hand one.
  GuardedFrame(const FrameTypeInfo& type, bool withMemory, const std::vector<std::uint8_t>& fill)
      : m_Type(type),
        m_Bytes(withMemory ? std::make_unique<GuardedBytes>(type.buffersize, GuardedBytes::AgainstEnd) : nullptr) {
    if (m_Bytes && !fill.empty()) std::memcpy(m_Bytes->data(), fill.data(), fill.size());
  }
  const FrameTypeInfo& getFrameType() const override { return m_Type; }
  BYTE* getBufferPtr() const override { return m_Bytes ? m_Bytes->data() : nullptr; }

  bool holds(const std::vector<std::uint8_t>& bytes) const {
    return !m_Bytes || bytes.empty() || std::memcmp(m_Bytes->data(), bytes.data(), bytes.size()) == 0;
  }
  bool sameBytes(const GuardedFrame& other) const {
    if (!m_Bytes || !other.m_Bytes) return !m_Bytes && !other.m_Bytes;
    return m_Type.buffersize == other.m_Type.buffersize &&
           std::memcmp(m_Bytes->data(), other.m_Bytes->data(), m_Type.buffersize) == 0;
  }

 private:
  FrameTypeInfo m_Type;
  std::unique_ptr<GuardedBytes> m_Bytes;
};

// The contents of a buffer: bytes from the input, then a pattern.
std::vector<std::uint8_t> contents(FuzzedDataProvider& in, DWORD size) {
  std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(size);
  bytes.resize(size, 0x5A);
  return bytes;
}

constexpr Pixlib::tColorformatEnum kFormats[] = {Pixlib::eRGB32, Pixlib::eRGB24, Pixlib::eRGB565, Pixlib::eRGB555,
                                                  Pixlib::eRGB8,  Pixlib::eUYVY,  Pixlib::eY800,   Pixlib::eBY8};

GUID pickSubtype(FuzzedDataProvider& in) {
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  if (pick < 240) return Pixlib::getSubtypeFromColorformat(kFormats[pick % std::size(kFormats)]);
  GUID any = GUID_NULL;
  if (pick < 250) return any;
  const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(sizeof any);
  if (!bytes.empty()) std::memcpy(&any, bytes.data(), bytes.size());
  return any;
}

LONG pickDimension(FuzzedDataProvider& in) {
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  if (pick < 240) return in.ConsumeIntegralInRange<LONG>(-40, 40);
  return in.ConsumeIntegral<LONG>();
}

// The size the type needs, or a size a little off it, or 0, or any.
DWORD pickBufferSize(FuzzedDataProvider& in, const FrameTypeInfo& type) {
  const DWORD needed = Pixlib::calcRequiredBuffersize(type);
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: case 1: return needed;
    case 2: return needed - std::min<DWORD>(needed, in.ConsumeIntegralInRange<DWORD>(1, 64));
    case 3: return needed + in.ConsumeIntegralInRange<DWORD>(1, 64);
    case 4: return 0;
    default: return in.ConsumeIntegralInRange<DWORD>(0, kMaxBufferBytes);
  }
}

FrameTypeInfo pickType(FuzzedDataProvider& in) {
  FrameTypeInfo type;
  type.subtype = pickSubtype(in);
  type.dim.cx = pickDimension(in);
  type.dim.cy = pickDimension(in);
  type.buffersize = pickBufferSize(in, type);
  return type;
}

bool fitsMemory(const FrameTypeInfo& type) { return type.buffersize <= kMaxBufferBytes; }

// The two filters and the kernel level of the first.
struct FilterPair {
  FilterRef fast;
  FilterRef scalar;
  std::uint32_t features;

  // Sets some parameters of both to small or arbitrary values; they may
  // refuse any, but both alike.
  void setSomeParameters(FuzzedDataProvider& in) {
    ParameterDesc desc;
    for (unsigned i = 0; fast.params()->getParameterDesc(i, &desc); ++i) {
      if (!in.ConsumeBool()) continue;
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_I4;
      v.lVal = in.ConsumeBool() ? in.ConsumeIntegralInRange<LONG>(-2, 400) : in.ConsumeIntegral<LONG>();
      const std::u16string name(textField(desc.name));
      const tParamResult result = fast.params()->setParameter(name.c_str(), &v);
      FUZZ_REQUIRE(result >= eParamOk && result <= eParamLiveMode);
      FUZZ_REQUIRE(scalar.params()->setParameter(name.c_str(), &v) == result);
    }
  }

  // One frame through both; the same answer and the same bytes.
  void transform(const GuardedFrame& src, const std::vector<std::uint8_t>& srcBytes, GuardedFrame& destFast,
                 GuardedFrame& destScalar) {
    bool fastDone = false, scalarDone = false;
    {
      const orv_test::FeatureMask mask(features);
      fastDone = fast->transform_(src, destFast) == S_OK;
    }
    {
      const orv_test::FeatureMask mask(0);
      scalarDone = scalar->transform_(src, destScalar) == S_OK;
    }
    FUZZ_REQUIRE(fastDone == scalarDone);
    if (fastDone) FUZZ_REQUIRE(destFast.sameBytes(destScalar));
    FUZZ_REQUIRE(src.holds(srcBytes));
  }
};

// The output type: one of those the filter listed (its size filled in when
// left open), or any other.
FrameTypeInfo pickOutputType(FuzzedDataProvider& in, IFrameFilter* filter, const FrameTypeInfo& input) {
  FrameTypeInfo* listed = nullptr;
  LONG count = 0;
  const HRESULT hr = filter->getTransformOutputTypes_(input, &listed, &count);
  FrameTypeInfo out;
  bool chosen = false;
  if (hr == S_OK) {
    FUZZ_REQUIRE(count >= 0 && (count == 0 || listed != nullptr));
    if (count > 0 && in.ConsumeIntegralInRange(0, 3) != 0) {
      out = listed[in.ConsumeIntegralInRange<LONG>(0, count - 1)];
      if (out.buffersize == 0) out.buffersize = Pixlib::calcRequiredBuffersize(out);
      chosen = true;
    }
  }
  CoTaskMemFree(listed);
  return chosen ? out : pickType(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const unsigned filterIndex = in.ConsumeIntegral<std::uint8_t>();
  FilterPair filters{FilterRef(filterIndex), FilterRef(filterIndex), in.ConsumeBool() ? ~0u : orv::kCpuSSE2};
  filters.setSomeParameters(in);

  FrameTypeInfo* supported = nullptr;
  LONG supportedCount = 0;
  if (SUCCEEDED(filters.fast->getSupportedInputTypes_(&supported, &supportedCount))) CoTaskMemFree(supported);

  const FrameTypeInfo input = pickType(in);
  filters.fast->checkInputType_(input);
  const FrameTypeInfo output = pickOutputType(in, filters.fast.operator->(), input);
  if (!fitsMemory(input) || !fitsMemory(output)) return 0;
  const HRESULT accepted = filters.fast->checkTransformTypes_(input, output);
  FUZZ_REQUIRE(filters.scalar->checkTransformTypes_(input, output) == accepted);
  if (accepted != S_OK) return 0;

  filters.fast->notifyStart_(input, output);
  filters.scalar->notifyStart_(input, output);
  const int frames = in.ConsumeIntegralInRange(1, 4);
  for (int i = 0; i < frames && in.remaining_bytes() > 0; ++i) {
    const bool fitting = in.ConsumeIntegralInRange(0, 3) != 0;
    const FrameTypeInfo srcType = fitting ? input : pickType(in);
    const FrameTypeInfo destType = fitting ? output : pickType(in);
    if (!fitsMemory(srcType) || !fitsMemory(destType)) break;
    const bool withMemory = in.ConsumeIntegralInRange(0, 15) != 0;
    const std::vector<std::uint8_t> srcBytes = contents(in, srcType.buffersize);
    const std::vector<std::uint8_t> destBytes = contents(in, destType.buffersize);
    const GuardedFrame src(srcType, withMemory, srcBytes);
    GuardedFrame destFast(destType, withMemory, destBytes), destScalar(destType, withMemory, destBytes);
    filters.transform(src, srcBytes, destFast, destScalar);
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
      filters.fast.params()->lock();
      filters.scalar.params()->lock();
      filters.setSomeParameters(in);
      filters.scalar.params()->unlock();
      filters.fast.params()->unlock();
    }
  }
  filters.fast->notifyStop_();
  filters.scalar->notifyStop_();
  return 0;
}
