#include "pixrt/filterchain.h"

#include "pixrt/filtermodule.h"
#include "pixrt/typelists.h"

namespace Pixlib {
namespace {

using Clock = std::chrono::steady_clock;

std::string listText(const std::vector<FrameTypeInfo>& types) {
  std::string text;
  for (const FrameTypeInfo& t : types) text += (text.empty() ? "" : ", ") + frameTypeText(t);
  return text.empty() ? "nothing" : text;
}

// Our frame buffers are packed, so an open size is the packed size.
FrameTypeInfo withBufferSize(FrameTypeInfo type) {
  if (type.buffersize == 0) type.buffersize = calcRequiredBuffersize(type);
  return type;
}

// A stated size is trusted only when it holds the packed frame; for a subtype
// this library does not know, the stated size is all there is.
bool holdsItsPixels(const FrameTypeInfo& type, std::string& why) {
  const DWORD needed = calcRequiredBuffersize(type);
  if (type.buffersize >= needed) return true;
  why = frameTypeText(type) + " frames of " + std::to_string(type.buffersize) + " bytes, though they take " +
        std::to_string(needed);
  return false;
}

}  // namespace

std::string frameTypeText(const FrameTypeInfo& type) {
  std::string text = subtypeName(type.subtype);
  if (type.dim.cx != 0 || type.dim.cy != 0) {
    text.append(" ").append(std::to_string(type.dim.cx));
    text.append("x").append(std::to_string(type.dim.cy));
  }
  return text;
}

FilterChain::~FilterChain() {
  if (m_Running) stop();
  for (Stage& s : m_Stages) s.filter->Release();
}

void FilterChain::append(IFrameFilter* filter, std::string name) {
  filter->AddRef();
  Stage stage;
  stage.filter = filter;
  stage.name = std::move(name);
  m_Stages.push_back(std::move(stage));
  m_Negotiated = false;
}

std::string FilterChain::acceptedInputsOf(std::size_t i) const {
  return listText(supportedInputTypes(m_Stages[i].filter));
}

bool FilterChain::negotiate(const FrameTypeInfo& input, std::string& error) {
  if (m_Running) {  // the running negotiation stays
    error = "the chain is running; stop it before negotiating again";
    return false;
  }
  m_Negotiated = false;
  if (m_Stages.empty()) {
    error = "the chain has no filter";
    return false;
  }
  m_Input = withBufferSize(input);
  if (m_Input.buffersize == 0) {
    error = "frames of type " + frameTypeText(input) + " have no size a frame buffer can take";
    return false;
  }
  std::string why;
  if (!holdsItsPixels(m_Input, why)) {
    error = "the input would be " + why;
    return false;
  }
  if (m_Stages[0].filter->checkInputType_(m_Input) != S_OK) {
    error = "'" + m_Stages[0].name + "' refuses input " + frameTypeText(m_Input) + " (it accepts " +
            acceptedInputsOf(0) + ")";
    return false;
  }
  FrameTypeInfo current = m_Input;
  for (std::size_t i = 0; i < m_Stages.size(); ++i) {
    if (!negotiateStage(i, current, error)) return false;
    current = m_Stages[i].out;
  }
  m_Negotiated = true;
  return true;
}

// `in` has been accepted by filter i already.
bool FilterChain::negotiateStage(std::size_t i, const FrameTypeInfo& in, std::string& error) {
  Stage& stage = m_Stages[i];
  FrameTypeInfo* types = nullptr;
  LONG count = 0;
  if (stage.filter->getTransformOutputTypes_(in, &types, &count) != S_OK) {
    error = "'" + stage.name + "' cannot produce frames from " + frameTypeText(in) +
            " with its current parameters";
    return false;
  }
  std::vector<FrameTypeInfo> outputs = takeTypeList(types, count);
  if (outputs.empty()) {
    error = "'" + stage.name + "' offers no output type for " + frameTypeText(in);
    return false;
  }
  for (FrameTypeInfo& t : outputs) t = withBufferSize(t);

  const FrameTypeInfo* chosen = &outputs.front();
  if (i + 1 < m_Stages.size()) {
    chosen = nullptr;
    for (const FrameTypeInfo& t : outputs) {
      if (m_Stages[i + 1].filter->checkInputType_(t) == S_OK) {
        chosen = &t;
        break;
      }
    }
    if (!chosen) {
      error = "'" + m_Stages[i + 1].name + "' refuses every output type of '" + stage.name + "' (" +
              listText(outputs) + "); it accepts " + acceptedInputsOf(i + 1);
      return false;
    }
  }
  if (chosen->buffersize == 0) {
    error = "'" + stage.name + "' would produce " + frameTypeText(*chosen) + ", a size no frame buffer can take";
    return false;
  }
  std::string why;
  if (!holdsItsPixels(*chosen, why)) {
    error = "'" + stage.name + "' would produce " + why;
    return false;
  }
  if (stage.filter->checkTransformTypes_(in, *chosen) != S_OK) {
    error = "'" + stage.name + "' does not confirm the transform from " + frameTypeText(in) + " to " +
            frameTypeText(*chosen);
    return false;
  }
  stage.in = in;
  stage.out = *chosen;
  return true;
}

bool FilterChain::start(std::string& error) {
  if (m_Running) {
    error = "the chain is running already";
    return false;
  }
  if (!m_Negotiated) {
    error = "the chain's types have not been negotiated";
    return false;
  }
  for (Stage& s : m_Stages) {
    s.output = std::make_unique<FrameBuffer>(s.out);
    s.figures = Figures{};
  }
  for (Stage& s : m_Stages) s.filter->notifyStart_(s.in, s.out);
  m_Running = true;
  return true;
}

std::size_t FilterChain::push(const IFrameBuffer& frame) {
  // A filter appended while running has no output frame until the chain is
  // negotiated and started again.
  if (!m_Running || !m_Negotiated || !frame.getBufferPtr()) return 0;
  const FrameTypeInfo& type = frame.getFrameType();
  if (type.subtype != m_Input.subtype || type.dim.cx != m_Input.dim.cx || type.dim.cy != m_Input.dim.cy ||
      type.buffersize < m_Input.buffersize)
    return 0;

  const IFrameBuffer* source = &frame;
  std::size_t produced = 0;
  for (Stage& s : m_Stages) {
    ++s.figures.framesIn;
    const Clock::time_point begin = Clock::now();
    const HRESULT hr = s.filter->transform_(*source, *s.output);
    s.figures.busy += Clock::now() - begin;
    if (hr != S_OK) break;
    ++s.figures.framesOut;
    ++produced;
    source = s.output.get();
  }
  return produced;
}

tParamResult FilterChain::setParameter(std::size_t stage, const WCHAR* name, const VARIANT& value) {
  if (stage >= m_Stages.size()) return eParamNotFound;
  void* pv = nullptr;
  if (m_Stages[stage].filter->QueryInterface(IID_IParameterCtrl, &pv) != S_OK || !pv) return eParamNotFound;
  auto* params = static_cast<IParameterCtrl*>(pv);
  params->lock();
  const tParamResult result = params->setParameter(name, &value);
  params->unlock();
  return result;
}

void FilterChain::stop() {
  if (!m_Running) return;
  for (Stage& s : m_Stages) s.filter->notifyStop_();
  m_Running = false;
}

}  // namespace Pixlib
