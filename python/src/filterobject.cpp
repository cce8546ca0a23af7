#include "filterobject.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pixrt/framebuffer.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"

namespace corefilters_py {
namespace {

std::string typeNameOf(py::handle value) { return py::str(value.get_type().attr("__name__")); }

std::string shapeOf(const py::array& a) {
  std::string text = "(";
  for (py::ssize_t i = 0; i < a.ndim(); ++i) text += (i ? ", " : "") + std::to_string(a.shape(i));
  return text + (a.ndim() == 1 ? ",)" : ")");
}

std::vector<py::ssize_t> arrayShapeOf(const FrameTypeInfo& type) {
  Layout layout = Layout::Plane;
  layoutOfType(type, layout);
  std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(Pixlib::frameRows(type)), type.dim.cx};
  if (layout != Layout::Plane) shape.push_back(channelsOf(layout));
  return shape;
}

std::string shapeText(const std::vector<py::ssize_t>& shape) {
  std::string text = "(";
  for (std::size_t i = 0; i < shape.size(); ++i) text += (i ? ", " : "") + std::to_string(shape[i]);
  return text + ")";
}

bool isUint8(const py::array& a) { return a.dtype().kind() == 'u' && a.itemsize() == 1; }

// Turns the rows of `from` over into `to`: the module wrote them in the other order.
void copyRowsReversed(const BYTE* from, BYTE* to, std::size_t rows, std::size_t pitch) {
  for (std::size_t r = 0; r < rows; ++r) std::memcpy(to + (rows - 1 - r) * pitch, from + r * pitch, pitch);
}

}  // namespace

Pixlib::FilterModule& loadedModule() {
  static Pixlib::FilterModule* module = [] {
    std::string error;
    auto loaded = Pixlib::FilterModule::load(Pixlib::libraryDirectory() + "/corefilterssd.ftf", error);
    if (!loaded) throw py::import_error(error);
    return loaded.release();
  }();
  return *module;
}

std::unique_lock<std::mutex> lockWithoutGil(std::mutex& mutex) {
  std::unique_lock<std::mutex> lock(mutex, std::defer_lock);
  py::gil_scoped_release release;
  lock.lock();
  return lock;
}

FilterObject::FilterObject(const std::string& name) {
  Pixlib::FilterModule& module = loadedModule();
  m_pTraits = Pixlib::findFilterTraits(orv::utf8ToUtf16(name));
  if (!m_pTraits) m_pTraits = Pixlib::findFilterTraitsByKey(name);
  const std::u16string wide = m_pTraits ? std::u16string(m_pTraits->name) : orv::utf8ToUtf16(name);
  m_pFilter = module.factory()->createFilter(wide.c_str());
  if (!m_pFilter) {
    std::string known;
    for (const std::u16string& n : module.filterNames()) known += (known.empty() ? "" : ", ") + orv::utf16ToUtf8(n);
    throw py::value_error("no filter '" + name + "' (the filters: " + known + ")");
  }
  m_Name = orv::utf16ToUtf8(wide);
  void* ctrl = nullptr;
  if (m_pFilter->QueryInterface(IID_IParameterCtrl, &ctrl) == S_OK) m_pParams = static_cast<IParameterCtrl*>(ctrl);
  m_Params = describeParameters(m_pParams, m_pTraits);
  m_Layouts = acceptedLayouts(m_pFilter);
}

FilterObject::~FilterObject() {
  // Nobody else holds the object any more: no lock to wait for.
  if (m_Live && !m_InChain) stopLocked();
  m_pFilter->Release();
}

const ParamInfo* FilterObject::findParameter(const std::string& key) const {
  const Pixlib::ParameterTraits* byKey = m_pTraits ? Pixlib::findParameterTraitsByKey(*m_pTraits, key) : nullptr;
  for (const ParamInfo& p : m_Params)
    if (p.key == key || (byKey && p.traits == byKey)) return &p;
  return nullptr;
}

std::string FilterObject::expectedInputs() const {
  std::string text;
  for (std::size_t i = 0; i < m_Layouts.size(); ++i)
    text += (i == 0 ? "" : i + 1 == m_Layouts.size() ? " or " : ", ") + shapeText(m_Layouts[i]);
  return text.empty() ? "nothing" : text;
}

// ---- parameters, translated while the module sees the frames upside down ----

// Seen upside down, a clockwise turn is the opposite turn; applying this twice
// restores the angle.
void FilterObject::mirrorRotationAngle() {
  const ParamInfo* angle = findParameter("rotation_angle");
  const long long a = readParameter(m_pParams, *angle).cast<long long>();
  writeParameter(m_pParams, *angle, py::none(), (360 - a) % 360);
}

void FilterObject::enterView(bool flipped, LONG rows) {
  m_Flipped = flipped;
  m_ViewRows = rows;
  if (!flipped || !m_pTraits) return;
  const std::string_view key = m_pTraits->key;
  if (key == "rotflip") {
    mirrorRotationAngle();
  } else if (key == "roi") {
    const ParamInfo* top = findParameter("top");
    const ParamInfo* height = findParameter("height");
    const long long t = readParameter(m_pParams, *top).cast<long long>();
    const long long h = std::min<long long>(readParameter(m_pParams, *height).cast<long long>(), rows - t);
    if (t < 0 || h <= 0) return;  // nothing of the frame: the module says so as it is
    writeParameter(m_pParams, *height, py::none(), h);
    writeParameter(m_pParams, *top, py::none(), rows - t - h);
  }
}

void FilterObject::leaveView() {
  const bool flipped = std::exchange(m_Flipped, false);
  if (!flipped || !m_pTraits) return;
  const std::string_view key = m_pTraits->key;
  if (key == "rotflip") {
    mirrorRotationAngle();
  } else if (key == "roi") {
    const ParamInfo* top = findParameter("top");
    const long long t = readParameter(m_pParams, *top).cast<long long>();
    const long long h = readParameter(m_pParams, *findParameter("height")).cast<long long>();
    if (m_ViewRows - t - h >= 0) writeParameter(m_pParams, *top, py::none(), m_ViewRows - t - h);
  }
}

py::object FilterObject::getLocked(const ParamInfo& info) {
  py::object value = readParameter(m_pParams, info);
  if (!m_Flipped) return value;
  const long long v = value.cast<long long>();
  if (info.key == "rotation_angle") return py::int_((360 - v) % 360);
  if (info.key == "top") return py::int_(m_ViewRows - v - readParameter(m_pParams, *findParameter("height")).cast<long long>());
  return value;
}

bool FilterObject::setLocked(const ParamInfo& info, py::handle value, tParamResult& result) {
  std::optional<long long> number;
  if (m_Flipped && (info.key == "rotation_angle" || info.key == "top" || info.key == "height")) {
    number = numberOf(info, value);
    if (number && info.key == "rotation_angle" && *number % 90 == 0 && *number >= 0 && *number < 360) {
      number = (360 - *number) % 360;
    } else if (number && info.key == "top") {
      number = m_ViewRows - *number - readParameter(m_pParams, *findParameter("height")).cast<long long>();
    } else if (number && info.key == "height") {
      // The module keeps its top edge, the array's bottom one; the region is
      // settled while streaming, so only a height that keeps its clipped size passes.
      const long long h = readParameter(m_pParams, info).cast<long long>();
      const long long top = getLocked(*findParameter("top")).cast<long long>();
      result = std::min(*number, m_ViewRows - top) == h ? eParamOk : eParamLiveMode;
      return result == eParamOk;
    }
  }
  m_pParams->lock();  // the change falls between two frames of another thread
  try {
    result = writeParameter(m_pParams, info, value, number);
  } catch (...) {
    m_pParams->unlock();
    throw;
  }
  m_pParams->unlock();
  return result == eParamOk;
}

py::object FilterObject::get(const std::string& key) {
  const ParamInfo* info = findParameter(key);
  if (!info) throw py::attribute_error("'" + m_Name + "' has no parameter '" + key + "'");
  auto lock = lockWithoutGil(m_Mutex);
  return getLocked(*info);
}

void FilterObject::set(const std::string& key, py::handle value) {
  const ParamInfo* info = findParameter(key);
  if (!info) throw py::attribute_error("'" + m_Name + "' has no parameter '" + key + "'");
  auto lock = lockWithoutGil(m_Mutex);
  tParamResult result = eParamOk;
  if (!setLocked(*info, value, result)) throw py::value_error(refusalMessage(m_Name, *info, value, result, m_Live));
}

std::string FilterObject::save() {
  auto lock = lockWithoutGil(m_Mutex);
  WCHAR* text = nullptr;
  if (!m_pParams || m_pParams->saveParameters(&text) != eParamOk || !text) return "{}";
  std::string utf8 = orv::utf16ToUtf8(text);
  CoTaskMemFree(text);
  return utf8;
}

void FilterObject::load(const std::string& text) {
  auto lock = lockWithoutGil(m_Mutex);
  if (!m_pParams) throw py::value_error("'" + m_Name + "' has no parameters");
  m_pParams->lock();
  const tParamResult result = m_pParams->restoreParameters(orv::utf8ToUtf16(text).c_str());
  m_pParams->unlock();
  if (result != eParamOk)
    throw py::value_error(m_Name + " rejects the parameter text " + text + ": " +
                          Pixlib::refusalReason(nullptr, result) +
                          (m_Live && result == eParamLiveMode ? " (stop() first)" : ""));
}

void FilterObject::showDialog() {
  if (!m_pParams || !m_pParams->hasDialog()) throw py::value_error("'" + m_Name + "' has no property dialog");
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!x || !*x) && (!wayland || !*wayland))
    throw py::value_error("no display to show the dialog of '" + m_Name + "' on (DISPLAY is not set)");
  bool shown = false;
  {
    py::gil_scoped_release release;
    shown = m_pParams->callDialog(nullptr);
  }
  if (!shown)
    throw py::value_error("the dialog of '" + m_Name + "' could not be shown: the display cannot be opened");
}

// ---- the stream ----

void FilterObject::stopLocked() {
  if (!m_Live || m_InChain) return;
  m_pFilter->notifyStop_();
  m_Live = false;
  leaveView();
}

void FilterObject::stop() {
  auto lock = lockWithoutGil(m_Mutex);
  stopLocked();
}

void FilterObject::joinStream(bool flipped, LONG rows) {
  stopLocked();
  enterView(flipped, rows);
  m_InChain = true;
  m_Live = true;
}

void FilterObject::leaveStream() {
  m_InChain = false;
  m_Live = false;
  leaveView();
}

py::object FilterObject::call(py::handle frame, py::handle out) {
  if (!py::isinstance<py::array>(frame))
    throw py::type_error(m_Name + " takes a NumPy uint8 array of shape " + expectedInputs() + ", not " +
                         typeNameOf(frame));
  py::array input = py::reinterpret_borrow<py::array>(frame);
  if (!isUint8(input))
    throw py::type_error(m_Name + " takes uint8 arrays of shape " + expectedInputs() + ", not dtype " +
                         std::string(py::str(input.dtype())));
  Layout layout = Layout::Plane;
  if (input.ndim() == 3 && input.shape(2) == 3)
    layout = Layout::BGR;
  else if (input.ndim() == 3 && input.shape(2) == 4)
    layout = Layout::BGRA;
  else if (input.ndim() != 2)
    layout = Layout(-1);
  if (std::find(m_Layouts.begin(), m_Layouts.end(), layout) == m_Layouts.end() || input.shape(0) < 1 ||
      input.shape(1) < 1 || input.shape(0) > INT32_MAX || input.shape(1) > INT32_MAX)
    throw py::value_error(m_Name + " takes arrays of shape " + expectedInputs() + ", not " + shapeOf(input));
  const LONG rows = static_cast<LONG>(input.shape(0));
  const LONG cols = static_cast<LONG>(input.shape(1));
  // The demosaicing kernels compute the inner rows and columns and copy the
  // outer ones from their neighbours: a smaller mosaic has none to copy from.
  if (m_pTraits && m_pTraits->key == "debayer" && (rows < 3 || cols < 3))
    throw py::value_error(m_Name + " takes mosaics of at least 3 x 3 samples, not " + shapeOf(input));
  if (!(input.flags() & py::array::c_style)) input = py::array_t<std::uint8_t, py::array::c_style>::ensure(input);

  py::array output;
  const bool given = !out.is_none();
  int wanted = layout == Layout::Plane ? 3 : channelsOf(layout);
  if (given) {
    if (!py::isinstance<py::array>(out)) throw py::type_error("out must be a NumPy uint8 array, not " + typeNameOf(out));
    output = py::reinterpret_borrow<py::array>(out);
    if (!isUint8(output)) throw py::type_error("out must be a uint8 array, not dtype " + std::string(py::str(output.dtype())));
    // Of several output types, the one the caller's array holds.
    if (output.ndim() == 3 && (output.shape(2) == 3 || output.shape(2) == 4)) wanted = static_cast<int>(output.shape(2));
    else if (output.ndim() == 2) wanted = 1;
  }

  auto lock = lockWithoutGil(m_Mutex);
  if (m_InChain) throw py::value_error("'" + m_Name + "' is part of a running Chain; stop the chain first");
  Layout current = Layout::Plane;
  layoutOfType(m_Decl.out, current);
  // Another output layout only when the call asks for one the stream lacks.
  const bool otherOutput = m_Decl.outputChoice && wanted != channelsOf(current);
  if (!m_Live || layout != m_Layout || rows != m_Rows || cols != m_Cols || otherOutput) {
    stopLocked();
    Declaration decl;
    std::string error;
    if (!declareFor(m_pFilter, layout, rows, cols, wanted, decl, error)) throw py::value_error(m_Name + ": " + error);
    enterView(decl.flipped, rows);
    m_pFilter->notifyStart_(decl.in, decl.out);
    m_Decl = decl;
    m_Layout = layout;
    m_Rows = rows;
    m_Cols = cols;
    m_Live = true;
    m_Reversed.assign(decl.reverseOut ? decl.out.buffersize : 0, 0);
  }
  const std::vector<py::ssize_t> shape = arrayShapeOf(m_Decl.out);
  if (given) {
    bool fits = output.ndim() == static_cast<py::ssize_t>(shape.size());
    for (std::size_t i = 0; fits && i < shape.size(); ++i) fits = output.shape(i) == shape[i];
    if (!fits || !(output.flags() & py::array::c_style) || !output.writeable())
      throw py::value_error("out must be a writeable C-contiguous uint8 array of shape " + shapeText(shape) +
                            ", not " + (fits ? "a strided or read-only one" : shapeOf(output)));
  } else {
    output = py::array_t<std::uint8_t>(shape);
  }

  Pixlib::FrameBuffer source(m_Decl.in, static_cast<BYTE*>(const_cast<void*>(input.data())));
  BYTE* target = static_cast<BYTE*>(output.mutable_data());
  Pixlib::FrameBuffer dest(m_Decl.out, m_Decl.reverseOut ? m_Reversed.data() : target);
  HRESULT hr;
  {
    py::gil_scoped_release release;
    hr = m_pFilter->transform_(source, dest);
    if (hr == S_OK && m_Decl.reverseOut)
      copyRowsReversed(m_Reversed.data(), target, shape[0], m_Decl.out.buffersize / shape[0]);
  }
  if (hr == S_OK) return output;
  if (m_pTraits && !m_pTraits->alwaysEmits) return py::none();
  throw py::value_error(m_Name + " produced no frame");
}

}  // namespace corefilters_py
