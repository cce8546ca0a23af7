#include "pixrt/filtermodule.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace Pixlib {

std::unique_ptr<FilterModule> FilterModule::load(const std::string& path, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "cannot load filter module '" + path + "': no such file";
    return nullptr;
  }
  // dlopen looks a name without '/' up on the library search path, where
  // another file of that name may be found first: the file checked above is
  // the one loaded.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    error = "cannot load filter module '" + path + "': not a loadable module (" + (why ? why : "unknown error") + ")";
    return nullptr;
  }
  auto entry = reinterpret_cast<GetFilterFactoryFn>(::dlsym(handle, kGetFilterFactoryName));
  if (!entry) {
    ::dlclose(handle);
    error = "cannot load filter module '" + path + "': it does not export " + kGetFilterFactoryName;
    return nullptr;
  }
  IFilterFactory* factory = entry();
  if (!factory) {
    ::dlclose(handle);
    error = "cannot load filter module '" + path + "': " + kGetFilterFactoryName + " returned no factory";
    return nullptr;
  }
  return std::unique_ptr<FilterModule>(new FilterModule(handle, factory));
}

FilterModule::~FilterModule() {
  if (m_Handle) ::dlclose(m_Handle);
}

std::vector<std::u16string> FilterModule::filterNames() const {
  std::vector<std::u16string> names;
  FilterInfo info;
  for (unsigned i = 0; m_pFactory->getFilterInfo(i, &info); ++i) names.emplace_back(textField(info.name));
  return names;
}

std::string libraryDirectory() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&libraryDirectory), &info) == 0 || !info.dli_fname) return ".";
  const std::string file = info.dli_fname;
  const auto slash = file.rfind('/');
  return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

}  // namespace Pixlib
