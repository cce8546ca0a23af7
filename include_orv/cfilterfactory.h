// The module's filter factory: a registry of filter classes by name.
#pragma once

#include <map>
#include <string>

#include "filterfactory.h"
#include "platform/orv_assert.h"
#include "smart_ptr.h"

class CFilterFactory : public IFilterFactory {
 public:
  class FilterItemBase {
   public:
    virtual IFrameFilter* create() = 0;
    virtual void getInfo(FilterInfo* pInfo) = 0;
    virtual ~FilterItemBase() = default;
  };

  template <class T>
  class FilterItem : public FilterItemBase {
   public:
    // The primary interface of every filter is IFrameFilter, so the pointer
    // is the object's own address; the new object's one reference passes on.
    IFrameFilter* create() override { return new T; }
    void getInfo(FilterInfo* pInfo) override { *pInfo = T::getStaticFilterInfo(); }
  };

  CFilterFactory() = default;
  CFilterFactory(const CFilterFactory&) = delete;
  CFilterFactory& operator=(const CFilterFactory&) = delete;

  template <class T>
  void registerFilter() {
    const FilterInfo info = T::getStaticFilterInfo();
    const std::u16string name(info.name);
    m_Filters[name] = smart_ptr<FilterItemBase>(new FilterItem<T>);
  }

  bool ORV_CALL getFilterInfo(unsigned index, FilterInfo* pFilterInfo) override {
    if (!ORV_CHECK(pFilterInfo)) return false;
    if (index >= m_Filters.size()) return false;
    auto it = m_Filters.begin();
    std::advance(it, index);
    it->second->getInfo(pFilterInfo);
    return true;
  }

  // Null also when memory runs out.
  IFrameFilter* ORV_CALL createFilter(const WCHAR* name) override {
    if (!name) return nullptr;
    return orv_detail::guarded<IFrameFilter*>(nullptr, nullptr, [&]() -> IFrameFilter* {
      const auto it = m_Filters.find(std::u16string(name));
      return it == m_Filters.end() ? nullptr : it->second->create();
    });
  }

  LONG ORV_CALL getVersion() override { return 1; }

 private:
  // Ordered by UTF-16 code unit values, case-sensitively.
  std::map<std::u16string, smart_ptr<FilterItemBase>> m_Filters;
};
