// The base of every filter class T: reference counting, the filter's lock,
// the parameter registry with VARIANT access, the parameter text, and the
// filter record. T supplies its typed operations and registers its
// parameters in its constructor.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>
#include <utility>

#include "framefilter.h"
#include "platform/orv_assert.h"
#include "platform/sync.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"
#include "smart_ptr.h"

template <class T>
class FrameFilterImpl_param_ : public IFrameFilter {
 public:
  using LongGetter = tParamResult (T::*)(LONG* pValue);
  using LongSetter = tParamResult (T::*)(LONG value);
  using BoolGetter = tParamResult (T::*)(bool* pValue);
  using BoolSetter = tParamResult (T::*)(bool value);
  // Data-block operations: size query, copy out, copy in.
  using DataSizeFn = tParamResult (T::*)(ULONG* pSize);
  using DataGetFn = tParamResult (T::*)(void* pData, ULONG size);
  using DataSetFn = tParamResult (T::*)(const void* pData, ULONG size);

  // One registered parameter. Entries are held through the base pointer, so
  // the destructor is virtual (after the three operations).
  class param_info_base {
   public:
    virtual VARTYPE getVarType() = 0;
    virtual tParamResult getValue(T* pFilter, VARIANT* pValue) = 0;
    // Takes the VARIANT by value and clears it.
    virtual tParamResult setValue(T* pFilter, VARIANT value) = 0;
    virtual ~param_info_base() = default;

    ParameterDesc m_Desc{};
  };

  template <class V>
  class param_info;

  struct data_info {
    DataSizeFn m_GetSize;
    DataGetFn m_Get;
    DataSetFn m_Set;
    ParameterDesc m_Desc;
  };

  FrameFilterImpl_param_() { InitializeCriticalSection(&m_Lock); }
  ~FrameFilterImpl_param_() override { DeleteCriticalSection(&m_Lock); }
  FrameFilterImpl_param_(const FrameFilterImpl_param_&) = delete;
  FrameFilterImpl_param_& operator=(const FrameFilterImpl_param_&) = delete;

  // IUnknown
  HRESULT ORV_CALL QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IParameterCtrl) {
      *ppv = static_cast<IParameterCtrl*>(this);  // no reference added
      return S_OK;
    }
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(static_cast<IFrameFilterBase*>(this));
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG ORV_CALL AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_RefCount)); }
  ULONG ORV_CALL Release() override {
    const LONG count = InterlockedDecrement(&m_RefCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
  }

  // IFrameFilter
  void ORV_CALL getFilterInfo(FilterInfo* pInfo) override {
    if (!ORV_CHECK(pInfo != 0)) return;
    *pInfo = T::getStaticFilterInfo();
    if (!m_FilePath.empty()) setTextField(pInfo->filePath, m_FilePath);
  }
  void ORV_CALL setFilePath(const WCHAR* text) override {
    orv_detail::guarded([&] { m_FilePath = text ? text : u""; });
  }

  // IParameterCtrl
  void ORV_CALL lock() override { EnterCriticalSection(&m_Lock); }
  void ORV_CALL unlock() override { LeaveCriticalSection(&m_Lock); }

  // Every parameter operation answers eParamFailed when memory runs out.
  tParamResult ORV_CALL getParameter(const WCHAR* name, VARIANT* pValue) override {
    if (!name || !pValue) return eParamInvalid;
    return guardedParam([&] {
      const auto it = m_Params.find(name);
      if (it == m_Params.end()) return eParamNotFound;
      return it->second->getValue(self(), pValue);
    });
  }

  tParamResult ORV_CALL setParameter(const WCHAR* name, const VARIANT* pValue) override {
    if (!name || !pValue) return eParamInvalid;
    return guardedParam([&] {
      const auto it = m_Params.find(name);
      if (it == m_Params.end()) return eParamNotFound;
      VARIANT copy;
      VariantInit(&copy);
      if (FAILED(VariantCopy(&copy, pValue))) return eParamFailed;
      return it->second->setValue(self(), copy);
    });
  }

  bool ORV_CALL getParameterDesc(unsigned index, ParameterDesc* pPD) override {
    if (!ORV_CHECK(pPD)) return false;
    if (index < m_Params.size()) {
      *pPD = std::next(m_Params.begin(), index)->second->m_Desc;
      return true;
    }
    const std::size_t blockIndex = index - m_Params.size();
    if (blockIndex < m_DataBlocks.size()) {
      *pPD = std::next(m_DataBlocks.begin(), blockIndex)->second->m_Desc;
      return true;
    }
    return false;
  }

  tParamResult ORV_CALL setData(const WCHAR* name, const void* pData, ULONG size) override {
    return guardedParam([&] {
      data_info* block = findBlock(name);
      return block ? (self()->*block->m_Set)(pData, size) : eParamNotFound;
    });
  }
  tParamResult ORV_CALL getDataSize(const WCHAR* name, ULONG* pSize) override {
    return guardedParam([&] {
      data_info* block = findBlock(name);
      return block ? (self()->*block->m_GetSize)(pSize) : eParamNotFound;
    });
  }
  tParamResult ORV_CALL getData(const WCHAR* name, void* pData, ULONG size) override {
    return guardedParam([&] {
      data_info* block = findBlock(name);
      return block ? (self()->*block->m_Get)(pData, size) : eParamNotFound;
    });
  }

  tParamResult ORV_CALL saveParameters(WCHAR** ppText) override {
    if (!ppText) return eParamInvalid;
    return guardedParam([&] {
      const std::u16string text = orv::utf8ToUtf16(Pixlib::saveFrameFilterData(static_cast<IParameterCtrl*>(this)));
      if (text.empty()) return eParamNotFound;
      auto* block = static_cast<WCHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
      if (!block) return eParamFailed;
      std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
      *ppText = block;
      return eParamOk;
    });
  }

  tParamResult ORV_CALL restoreParameters(const WCHAR* text) override {
    if (!text) return eParamInvalid;
    return guardedParam([&] {
      const std::string utf8 = orv::utf16ToUtf8(text);
      return Pixlib::restoreFrameFilterData(static_cast<IParameterCtrl*>(this), utf8) ? eParamOk : eParamFailed;
    });
  }

 protected:
  void addLongParam(const std::u16string& name, LongGetter getter, LongSetter setter) {
    addParam(name, new param_info<LONG>(getter, setter));
  }
  void addBoolParam(const std::u16string& name, BoolGetter getter, BoolSetter setter) {
    addParam(name, new param_info<bool>(getter, setter));
  }
  // UTF-8 names.
  void addLongParam(const std::string& name, LongGetter getter, LongSetter setter) {
    addLongParam(orv::utf8ToUtf16(name), getter, setter);
  }
  void addBoolParam(const std::string& name, BoolGetter getter, BoolSetter setter) {
    addBoolParam(orv::utf8ToUtf16(name), getter, setter);
  }

  CRITICAL_SECTION m_Lock;

 private:
  T* self() { return static_cast<T*>(this); }

  template <class Body>
  static tParamResult guardedParam(Body&& body) noexcept {
    return orv_detail::guarded(eParamFailed, eParamFailed, std::forward<Body>(body));
  }

  void addParam(const std::u16string& name, param_info_base* entry) {
    smart_ptr<param_info_base> owner(entry);
    setTextField(entry->m_Desc.name, name);
    const bool isBool = entry->getVarType() == VT_BOOL;
    entry->m_Desc.typeId = isBool ? 1 : 0;
    setTextField(entry->m_Desc.typeName, isBool ? u"Boolean" : u"Long");
    m_Params[name] = owner;
  }

  data_info* findBlock(const WCHAR* name) {
    if (!name) return nullptr;
    const auto it = m_DataBlocks.find(name);
    return it == m_DataBlocks.end() ? nullptr : it->second.get();
  }

  std::map<std::u16string, smart_ptr<param_info_base>> m_Params;
  std::map<std::u16string, smart_ptr<data_info>> m_DataBlocks;
  volatile LONG m_RefCount = 1;
  std::u16string m_FilePath;
};

// Clears a VARIANT on every path out of a scope.
struct VariantGuard {
  VARIANT& v;
  ~VariantGuard() { VariantClear(&v); }
};

template <class T>
template <class V>
class FrameFilterImpl_param_<T>::param_info : public param_info_base {
 public:
  static constexpr bool kIsBool = std::is_same_v<V, bool>;
  using Getter = tParamResult (T::*)(V* pValue);
  using Setter = tParamResult (T::*)(V value);

  param_info(Getter getter, Setter setter) : m_Getter(getter), m_Setter(setter) {}

  VARTYPE getVarType() override { return kIsBool ? VT_BOOL : VT_I4; }

  tParamResult getValue(T* pFilter, VARIANT* pValue) override {
    // The caller's VARIANT must hold something convertible to our type.
    VARIANT probe;
    VariantInit(&probe);
    VariantGuard guard{probe};
    if (FAILED(VariantCopy(&probe, pValue))) return eParamFailed;
    if (FAILED(VariantChangeType(&probe, &probe, 0, getVarType()))) return eParamFailed;

    V value{};
    const tParamResult result = (pFilter->*m_Getter)(&value);
    if (result != eParamOk) return result;
    return store(pValue, value) ? eParamOk : eParamFailed;
  }

  tParamResult setValue(T* pFilter, VARIANT value) override {
    VariantGuard guard{value};
    VARIANT converted;
    VariantInit(&converted);
    VariantGuard convertedGuard{converted};
    if (FAILED(VariantChangeType(&converted, &value, 0, getVarType()))) return eParamFailed;
    if constexpr (kIsBool) {
      const bool b = value.vt == VT_BOOL ? value.boolVal != 0 : converted.boolVal == VARIANT_TRUE;
      return (pFilter->*m_Setter)(b);
    } else {
      return (pFilter->*m_Setter)(value.vt == VT_I4 ? value.lVal : converted.lVal);
    }
  }

 private:
  // False when the caller's VARIANT cannot be cleared; it is left as it was.
  static bool store(VARIANT* pValue, V value) {
    if constexpr (kIsBool) {
      if (pValue->vt != VT_BOOL) {
        if (FAILED(VariantClear(pValue))) return false;
        pValue->vt = VT_BOOL;
      }
      pValue->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
      if (pValue->vt == VT_I4 || pValue->vt == VT_ERROR) {
        pValue->lVal = value;
      } else if (pValue->vt == VT_BOOL) {
        pValue->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      } else {
        if (FAILED(VariantClear(pValue))) return false;
        pValue->vt = VT_I4;
        pValue->lVal = value;
      }
    }
    return true;
  }

  Getter m_Getter;
  Setter m_Setter;
};

// Fills a static filter record: the name NUL-padded, an empty path, kind 1.
inline FilterInfo makeFilterInfo(const char16_t* name) {
  FilterInfo info{};
  setTextField(info.name, name);
  info.filterKind = 1;
  return info;
}

// Filter classes derive from this.
template <class T>
class FrameFilterImpl : public FrameFilterImpl_param_<T> {};
