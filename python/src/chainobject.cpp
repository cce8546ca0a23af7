#include "chainobject.h"

#include <cstring>

#include "pixrt/framebuffer.h"

namespace corefilters_py {

ChainObject::ChainObject(std::vector<std::shared_ptr<FilterObject>> filters, std::size_t threads)
    : m_Filters(std::move(filters)), m_Threads(threads) {
  if (m_Filters.empty()) throw py::value_error("a Chain needs at least one filter");
  for (std::size_t i = 0; i < m_Filters.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j)
      if (m_Filters[j] == m_Filters[i]) throw py::value_error("a Chain takes each Filter once");
    m_Chain.append(m_Filters[i]->filter(), m_Filters[i]->name());
  }
}

ChainObject::~ChainObject() { stopLocked(); }

void ChainObject::stopLocked() {
  if (!m_Running) return;
  m_Chain.stop();
  for (const auto& f : m_Filters) {
    auto lock = lockWithoutGil(f->mutex());
    f->leaveStream();
  }
  m_Running = false;
}

void ChainObject::stop() {
  auto lock = lockWithoutGil(m_Mutex);
  stopLocked();
}

void ChainObject::startFor(Layout layout, LONG rows, LONG cols, bool startChain) {
  for (const auto& f : m_Filters) {
    if (f->inChain()) throw py::value_error("'" + f->name() + "' streams in another Chain; stop that one first");
    f->stop();
  }
  // Of the declarations of the array the chain takes, the first under which
  // the last output keeps the array's row order, else the first it takes.
  std::string error, firstError;
  bool found = false;
  FrameTypeInfo chosen;
  for (const FrameTypeInfo& in : candidateInputs(layout, rows, cols)) {
    if (!m_Chain.negotiate(in, error)) {
      if (firstError.empty()) firstError = error;
      continue;
    }
    const bool reverse = rowsReversed(seenFlipped(in), m_Chain.outputTypeOf(m_Chain.size() - 1));
    if (!found || (m_ReverseOut && !reverse)) {
      chosen = in;
      m_ReverseOut = reverse;
    }
    found = true;
    if (!reverse) break;
  }
  if (!found) throw py::value_error("the chain takes no " + shapeText(layout) + " frame: " + firstError);
  if (m_Chain.inputType() != chosen && !m_Chain.negotiate(chosen, error)) throw py::value_error(error);
  Layout last;
  if (!layoutOfType(m_Chain.outputTypeOf(m_Chain.size() - 1), last))
    throw py::value_error("the chain ends in frames no array layout holds");

  const bool flipped = seenFlipped(chosen);
  for (std::size_t i = 0; i < m_Filters.size(); ++i) {
    auto lock = lockWithoutGil(m_Filters[i]->mutex());
    m_Filters[i]->joinStream(flipped, static_cast<LONG>(Pixlib::frameRows(m_Chain.inputTypeOf(i))));
  }
  if (startChain && !m_Chain.start(error)) {
    for (const auto& f : m_Filters) f->leaveStream();
    throw py::value_error(error);
  }
  m_Running = startChain;
  m_Layout = layout;
  m_Rows = rows;
  m_Cols = cols;
}

py::array ChainObject::checkedInput(py::handle frame, Layout& layout, LONG& rows, LONG& cols) const {
  if (!py::isinstance<py::array>(frame))
    throw py::type_error("a Chain takes NumPy uint8 arrays, not " + std::string(py::str(frame.get_type().attr("__name__"))));
  py::array input = py::reinterpret_borrow<py::array>(frame);
  if (input.dtype().kind() != 'u' || input.itemsize() != 1)
    throw py::type_error("a Chain takes uint8 arrays, not dtype " + std::string(py::str(input.dtype())));
  const bool colour = input.ndim() == 3 && (input.shape(2) == 3 || input.shape(2) == 4);
  if ((input.ndim() != 2 && !colour) || input.shape(0) < 1 || input.shape(1) < 1 || input.shape(0) > INT32_MAX ||
      input.shape(1) > INT32_MAX)
    throw py::value_error("a Chain takes arrays of shape (H, W), (H, W, 3) or (H, W, 4)");
  layout = !colour ? Layout::Plane : input.shape(2) == 3 ? Layout::BGR : Layout::BGRA;
  rows = static_cast<LONG>(input.shape(0));
  cols = static_cast<LONG>(input.shape(1));
  if (!(input.flags() & py::array::c_style)) input = py::array_t<std::uint8_t, py::array::c_style>::ensure(input);
  return input;
}

std::vector<py::ssize_t> ChainObject::outputShape() const {
  const FrameTypeInfo& last = m_Chain.outputTypeOf(m_Chain.size() - 1);
  Layout outLayout = Layout::Plane;
  layoutOfType(last, outLayout);
  std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(Pixlib::frameRows(last)), last.dim.cx};
  if (outLayout != Layout::Plane) shape.push_back(channelsOf(outLayout));
  return shape;
}

void ChainObject::copyOutput(const BYTE* from, py::array& output) const {
  BYTE* to = static_cast<BYTE*>(output.mutable_data());
  const py::ssize_t rows = output.shape(0);
  const std::size_t pitch = static_cast<std::size_t>(output.nbytes()) / rows;
  if (m_ReverseOut) {
    for (py::ssize_t r = 0; r < rows; ++r) std::memcpy(to + (rows - 1 - r) * pitch, from + r * pitch, pitch);
  } else {
    std::memcpy(to, from, output.nbytes());
  }
}

py::object ChainObject::call(py::handle frame, py::handle out) {
  Layout layout;
  LONG rows, cols;
  py::array input = checkedInput(frame, layout, rows, cols);

  auto lock = lockWithoutGil(m_Mutex);
  if (m_InRun) throw py::value_error("the chain is running frames across threads; finish that run first");
  if (!m_Running || layout != m_Layout || rows != m_Rows || cols != m_Cols) {
    stopLocked();
    startFor(layout, rows, cols, true);
  }
  const std::vector<py::ssize_t> shape = outputShape();

  py::array output;
  if (!out.is_none()) {
    output = py::array::ensure(out);
    bool fits = output && output.dtype().kind() == 'u' && output.itemsize() == 1 &&
                output.ndim() == static_cast<py::ssize_t>(shape.size()) && (output.flags() & py::array::c_style) &&
                output.writeable();
    for (std::size_t i = 0; fits && i < shape.size(); ++i) fits = output.shape(i) == shape[i];
    if (!fits) {
      std::string text = "(";
      for (std::size_t i = 0; i < shape.size(); ++i) text += (i ? ", " : "") + std::to_string(shape[i]);
      throw py::value_error("out must be a writeable C-contiguous uint8 array of shape " + text + ")");
    }
  }

  Pixlib::FrameBuffer source(m_Chain.inputType(), static_cast<BYTE*>(const_cast<void*>(input.data())));
  std::size_t produced;
  {
    py::gil_scoped_release release;
    produced = m_Chain.push(source);
  }
  if (produced < m_Chain.size()) return py::none();
  if (out.is_none()) output = py::array_t<std::uint8_t>(shape);
  copyOutput(m_Chain.outputOf(m_Chain.size() - 1)->getBufferPtr(), output);
  return output;
}

py::array ChainObject::beginRun(py::handle first) {
  Layout layout;
  LONG rows, cols;
  py::array input = checkedInput(first, layout, rows, cols);
  auto lock = lockWithoutGil(m_Mutex);
  if (m_InRun) throw py::value_error("the chain is running frames across threads; finish that run first");
  stopLocked();
  startFor(layout, rows, cols, false);
  m_InRun = true;
  return input;
}

void ChainObject::endRun() {
  auto lock = lockWithoutGil(m_Mutex);
  for (const auto& f : m_Filters) {
    auto filterLock = lockWithoutGil(f->mutex());
    f->leaveStream();
  }
  m_InRun = false;
}

py::array ChainObject::runInput(py::handle frame) const {
  Layout layout;
  LONG rows, cols;
  py::array input = checkedInput(frame, layout, rows, cols);
  if (layout != m_Layout || rows != m_Rows || cols != m_Cols)
    throw py::value_error("every frame of a run across threads has the first frame's shape");
  return input;
}

py::array ChainObject::newOutput(const IFrameBuffer& frame) const {
  py::array output = py::array_t<std::uint8_t>(outputShape());
  copyOutput(frame.getBufferPtr(), output);
  return output;
}

}  // namespace corefilters_py
