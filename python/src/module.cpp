// The extension module `corefilters`: the module's filters on NumPy arrays in
// OpenCV's layout. A host like filterhost: it loads corefilterssd.ftf through
// pixrt and drives the filters only through their interfaces.
#include <pybind11/stl.h>

#include "chainobject.h"
#include "pipelinedrun.h"
#include "filterobject.h"
#include "pixrt/filtertraits.h"
#include "pixrt/typelists.h"
#include "platform/textconv.h"

namespace corefilters_py {
namespace {

py::list describeFilters() {
  py::list list;
  for (const std::u16string& name : loadedModule().filterNames()) {
    FilterObject f(orv::utf16ToUtf8(name));
    const Pixlib::FilterTraits* traits = Pixlib::findFilterTraits(name);
    py::list params;
    for (const ParamInfo& p : f.parameters()) {
      py::dict d;
      d["name"] = orv::utf16ToUtf8(p.name);
      d["key"] = p.key;
      d["type"] = p.typeName;
      d["value"] = f.get(p.key);
      d["values"] = p.traits ? Pixlib::describeValues(*p.traits) : std::string();
      params.append(d);
    }
    py::list inputs;
    for (const FrameTypeInfo& t : Pixlib::supportedInputTypes(f.filter())) inputs.append(Pixlib::subtypeName(t.subtype));
    py::dict d;
    d["name"] = f.name();
    d["key"] = traits ? std::string(traits->key) : f.name();
    d["description"] = traits ? std::string(traits->description) : std::string();
    d["parameters"] = params;
    d["input_types"] = inputs;
    d["arrays"] = f.expectedInputs();
    list.append(d);
  }
  return list;
}

std::string reprOf(FilterObject& f) {
  std::string text = "corefilters.Filter('" + f.name() + "'";
  for (const ParamInfo& p : f.parameters()) text += ", " + p.key + "=" + std::string(py::repr(f.get(p.key)));
  return text + ")";
}

std::shared_ptr<FilterObject> filterFrom(py::handle item) {
  if (py::isinstance<FilterObject>(item)) return item.cast<std::shared_ptr<FilterObject>>();
  if (py::isinstance<py::str>(item)) return std::make_shared<FilterObject>(item.cast<std::string>());
  throw py::type_error("a Chain takes Filter objects or filter names");
}

// `for out in chain.run(frames)`: the outputs of the frames, skipping the
// calls where a filter holds its frame back; across threads when the chain
// has them.
struct ChainRun {
  std::shared_ptr<ChainObject> chain;
  py::object frames;  // an iterator
  std::unique_ptr<PipelinedRun> pipelined;
};

}  // namespace
}  // namespace corefilters_py

using namespace corefilters_py;

PYBIND11_MODULE(corefilters, m) {
  m.doc() = "Camera frame filters (DeBayer, Bayer to Y800, Rotate Flip, ROI, DeNoise) on NumPy arrays";
  py::module_::import("numpy");  // every call takes and gives its arrays
  loadedModule();  // fails the import with the reason when the module cannot load

  m.def("filters", &describeFilters, "The module's filters: parameters (name, key, type, value, values) and inputs");

  py::class_<FilterObject, std::shared_ptr<FilterObject>>(m, "Filter")
      .def(py::init([](const std::string& name, py::kwargs params) {
             auto f = std::make_shared<FilterObject>(name);
             for (auto item : params) {
               const std::string key = item.first.cast<std::string>();
               if (!f->findParameter(key)) {
                 std::string known;
                 for (const ParamInfo& p : f->parameters()) known += (known.empty() ? "" : ", ") + p.key;
                 throw py::type_error("Filter('" + f->name() + "') got an unexpected keyword argument '" + key +
                                      "' (its parameters: " + (known.empty() ? "none" : known) + ")");
               }
               f->set(key, item.second);
             }
             return f;
           }),
           py::arg("name"))
      .def_property_readonly("name", &FilterObject::name)
      .def_property_readonly("live", &FilterObject::live)
      .def_property(
          "params",
          [](FilterObject& f) {
            py::dict d;
            for (const ParamInfo& p : f.parameters()) d[py::str(p.key)] = f.get(p.key);
            return d;
          },
          [](FilterObject& f, py::dict values) {
            for (auto item : values) f.set(item.first.cast<std::string>(), item.second);
          },
          "The parameters as a dict; assigning a dict sets the parameters it names")
      .def("__getattr__", [](FilterObject& f, const std::string& key) { return f.get(key); })
      .def("__setattr__",
           [](py::object self, const std::string& key, py::object value) {
             FilterObject& f = self.cast<FilterObject&>();
             if (f.findParameter(key)) return f.set(key, value);
             py::module_::import("builtins").attr("object").attr("__setattr__")(self, key, value);
           })
      .def("__getitem__",
           [](FilterObject& f, const std::string& key) {
             if (!f.findParameter(key)) throw py::key_error(key);
             return f.get(key);
           })
      .def("__setitem__",
           [](FilterObject& f, const std::string& key, py::object value) {
             if (!f.findParameter(key)) throw py::key_error(key);
             f.set(key, value);
           })
      .def("__dir__",
           [](py::object self) {
             py::list names = py::module_::import("builtins").attr("object").attr("__dir__")(self);
             for (const ParamInfo& p : self.cast<FilterObject&>().parameters()) names.append(p.key);
             return names;
           })
      .def("__repr__", &reprOf)
      .def("__call__", &FilterObject::call, py::arg("frame"), py::arg("out") = py::none(),
           "Transforms one frame; returns the output array (out when given), or None while DeNoise is inside a run")
      .def("stop", &FilterObject::stop, "Ends the stream; the next frame starts a new one")
      .def("save", &FilterObject::save, "The parameter text (JSON)")
      .def("load", &FilterObject::load, py::arg("text"), "Applies a parameter text made by save()")
      .def("show_dialog", &FilterObject::showDialog, "Shows the filter's property dialog (needs a display)");

  py::class_<ChainObject, std::shared_ptr<ChainObject>>(m, "Chain")
      .def(py::init([](py::iterable items, std::size_t threads) {
             std::vector<std::shared_ptr<FilterObject>> filters;
             for (py::handle item : items) filters.push_back(filterFrom(item));
             return std::make_shared<ChainObject>(std::move(filters), threads);
           }),
           py::arg("filters"), py::arg("threads") = 1,
           "threads > 1 (0: one per core) runs the filters of run() on that many threads, a group of adjacent "
           "filters on each, each run a stream of its own")
      .def_property_readonly("threads", &ChainObject::threads)
      .def_property_readonly("filters", [](ChainObject& c) { return c.filters(); })
      .def("__len__", [](ChainObject& c) { return c.filters().size(); })
      .def("__call__", &ChainObject::call, py::arg("frame"), py::arg("out") = py::none(),
           "Pushes one frame through; the last filter's output, or None while a filter holds frames back")
      .def("run",
           [](std::shared_ptr<ChainObject> chain, py::iterable frames) {
             ChainRun run{std::move(chain), py::reinterpret_borrow<py::object>(py::iter(frames)), nullptr};
             if (run.chain->threads() != 1) run.pipelined = std::make_unique<PipelinedRun>(run.chain, run.frames);
             return run;
           },
           py::arg("frames"), "Iterates over the outputs of `frames`, in order")
      .def("stop", &ChainObject::stop, "Ends the stream; the next frame negotiates again");

  py::class_<ChainRun>(m, "ChainRun")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", [](ChainRun& run) {
        if (run.pipelined) return run.pipelined->next();
        for (;;) {
          py::object frame = py::reinterpret_steal<py::object>(PyIter_Next(run.frames.ptr()));
          if (!frame) {
            if (PyErr_Occurred()) throw py::error_already_set();
            throw py::stop_iteration();
          }
          py::object out = run.chain->call(frame, py::none());
          if (!out.is_none()) return out;
        }
      });
}
