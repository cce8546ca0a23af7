// The built module, loaded once per test program as a host would load it,
// and owners for the filters tests make.
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

// A filter made directly from the filter library, owned for one test; its
// members are visible to the test.
template <class T>
struct Owned {
  T* p = new T;
  Owned() = default;
  ~Owned() { p->Release(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  T* operator->() const { return p; }
};

}  // namespace orv_test
