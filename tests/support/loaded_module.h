// The built module, loaded once per test program as a host would load it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pixrt/filtermodule.h"

namespace orv_test {

inline Pixlib::FilterModule& loadedModule() {
  static std::unique_ptr<Pixlib::FilterModule> module = [] {
    std::string error;
    auto m = Pixlib::FilterModule::load(ORV_MODULE_PATH, error);
    if (!m) ADD_FAILURE() << error;
    return m;
  }();
  if (!module) std::abort();
  return *module;
}

// Owns one reference to a filter made by the module's factory.
struct FilterRef {
  IFrameFilter* p = nullptr;
  explicit FilterRef(const char16_t* name) : p(loadedModule().factory()->createFilter(name)) {}
  ~FilterRef() {
    if (p) p->Release();
  }
  FilterRef(const FilterRef&) = delete;
  FilterRef& operator=(const FilterRef&) = delete;
  IFrameFilter* operator->() const { return p; }
  IParameterCtrl* params() const {
    void* ctrl = nullptr;
    return p->QueryInterface(IID_IParameterCtrl, &ctrl) == S_OK ? static_cast<IParameterCtrl*>(ctrl) : nullptr;
  }
};

}  // namespace orv_test
