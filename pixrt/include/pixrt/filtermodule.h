// Loading a filter module and reaching its factory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "filterfactory.h"

namespace Pixlib {

class FilterModule {
 public:
  // Loads the module at `path`, a file name as for fopen: a name without '/'
  // is a file in the working folder, never one on the library search path.
  // On failure returns null and sets `error` to a sentence naming the file
  // and the reason: the file is missing, it is not a loadable module, or it
  // does not export the factory function.
  ORV_EXPORT static std::unique_ptr<FilterModule> load(const std::string& path, std::string& error);

  // Unloads the module. Release every filter created from it first.
  ORV_EXPORT ~FilterModule();
  FilterModule(const FilterModule&) = delete;
  FilterModule& operator=(const FilterModule&) = delete;

  IFilterFactory* factory() const { return m_pFactory; }

  // The filter names in enumeration order.
  ORV_EXPORT std::vector<std::u16string> filterNames() const;

 private:
  FilterModule(void* handle, IFilterFactory* factory) : m_Handle(handle), m_pFactory(factory) {}

  void* m_Handle;
  IFilterFactory* m_pFactory;
};

// The directory that holds libpixrt itself; filter modules are installed beside it.
ORV_EXPORT std::string libraryDirectory();

}  // namespace Pixlib

namespace Pixlib {
// A short name for a subtype ("RGB24", "BY8", ...), or its GUID text.
ORV_EXPORT std::string subtypeName(const GUID& subtype);
}  // namespace Pixlib
