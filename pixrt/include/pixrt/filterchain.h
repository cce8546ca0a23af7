// Driving a chain of filters as a host library does: negotiate the frame type
// of every link, start the filters, push frames through them, stop them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framefilter.h"
#include "pixrt/framebuffer.h"

namespace Pixlib {

// "RGB24 640x480": the subtype's short name and the dimensions as given.
ORV_EXPORT std::string frameTypeText(const FrameTypeInfo& type);

class ORV_EXPORT FilterChain {
 public:
  // What one filter did since start(): frames handed to it, frames it
  // produced, and the time spent in its transform.
  struct Figures {
    std::uint64_t framesIn = 0;
    std::uint64_t framesOut = 0;
    std::chrono::nanoseconds busy{0};
  };

  FilterChain() = default;
  // Stops a running chain and releases the filters.
  ~FilterChain();
  FilterChain(const FilterChain&) = delete;
  FilterChain& operator=(const FilterChain&) = delete;

  // Appends a filter; the chain keeps a reference of its own. `name` only
  // appears in messages and figures.
  void append(IFrameFilter* filter, std::string name);

  // Settles the type of every link for frames of type `input`, whose buffer
  // size is computed when open. Each filter must accept the type it is
  // offered; of its output types the first one the next filter accepts is
  // taken (the first listed for the last filter) and confirmed with the
  // filter. On failure `error` names the filter and the type it refused.
  bool negotiate(const FrameTypeInfo& input, std::string& error);

  // Makes one output frame per filter and tells every filter, in order, that
  // streaming starts. Needs a negotiated chain that is not running.
  bool start(std::string& error);

  // Transforms one frame of the negotiated input type through the filters in
  // order until one of them produces no frame. Returns how many filters
  // produced one: size() when a frame came out of the end. A frame of another
  // type, or a chain that is not running, gives 0 and touches nothing.
  std::size_t push(const IFrameBuffer& frame);

  // Tells every filter, in order, that streaming stops. The output frames
  // keep the last frame each filter produced.
  void stop();

  // Sets parameter `name` of the filter at `stage` to `value`. May be called
  // on another thread while push() runs: the change is made between the
  // filter's lock() and unlock(), so each frame sees all of it or none.
  // eParamNotFound for a stage past the end.
  tParamResult setParameter(std::size_t stage, const WCHAR* name, const VARIANT& value);

  std::size_t size() const { return m_Stages.size(); }
  bool running() const { return m_Running; }
  const FrameTypeInfo& inputType() const { return m_Input; }
  const std::string& nameOf(std::size_t stage) const { return m_Stages[stage].name; }
  IFrameFilter* filterOf(std::size_t stage) const { return m_Stages[stage].filter; }
  const FrameTypeInfo& inputTypeOf(std::size_t stage) const { return m_Stages[stage].in; }
  const FrameTypeInfo& outputTypeOf(std::size_t stage) const { return m_Stages[stage].out; }
  const Figures& figuresOf(std::size_t stage) const { return m_Stages[stage].figures; }
  // The frame the filter produced last; null before start().
  const FrameBuffer* outputOf(std::size_t stage) const { return m_Stages[stage].output.get(); }

 private:
  struct Stage {
    IFrameFilter* filter = nullptr;
    std::string name;
    FrameTypeInfo in;
    FrameTypeInfo out;
    std::unique_ptr<FrameBuffer> output;
    Figures figures;
  };

  bool negotiateStage(std::size_t i, const FrameTypeInfo& in, std::string& error);
  std::string acceptedInputsOf(std::size_t i) const;

  std::vector<Stage> m_Stages;
  FrameTypeInfo m_Input;
  bool m_Negotiated = false;
  bool m_Running = false;
};

}  // namespace Pixlib
