// The interfaces a host uses to drive a filter, and the fixed-layout records
// they exchange. A host compiled against its own declarations of these
// classes, in this slot order, works with the module.
#pragma once

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "frametype.h"
#include "platform/oleauto.h"
#include "platform/taskmem.h"
#include "platform/unknown.h"

using Pixlib::FrameTypeInfo;
using Pixlib::IFrameBuffer;

// Result of every parameter operation.
enum tParamResult : std::int32_t {
  eParamOk = 0,
  eParamNotFound = 1,   // no parameter or data block of that name; nothing to save
  eParamFailed = 2,     // value does not convert; text rejected
  eParamInvalid = 3,    // null argument; value out of range
  eParamLiveMode = 4,   // change refused while streaming
};

// Describes one filter class (592 bytes).
struct FilterInfo {
  WCHAR name[34];        // at most 33 units of text, NUL-padded
  WCHAR filePath[260];   // NUL-terminated, NUL-padded
  LONG filterKind;       // 1 for every filter of this module
};
static_assert(sizeof(FilterInfo) == 592);
static_assert(offsetof(FilterInfo, name) == 0);
static_assert(offsetof(FilterInfo, filePath) == 68);
static_assert(offsetof(FilterInfo, filterKind) == 588);

// Describes one parameter (124 bytes).
struct ParameterDesc {
  WCHAR name[30];      // at most 29 units of text, NUL-padded
  LONG typeId;         // 0 long, 1 bool
  WCHAR typeName[30];  // "Long" or "Boolean", NUL-padded
};
static_assert(sizeof(ParameterDesc) == 124);
static_assert(offsetof(ParameterDesc, typeId) == 60);
static_assert(offsetof(ParameterDesc, typeName) == 64);

// The records' text fields are NUL-padded UTF-16. Read: up to the first NUL
// or the end of the field, so a field without one is not overrun. Written:
// cut to leave at least one NUL, the rest zeroed.
template <std::size_t N>
std::u16string_view textField(const WCHAR (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n]) ++n;
  return {field, n};
}
template <std::size_t N>
void setTextField(WCHAR (&field)[N], std::u16string_view text) {
  std::memset(field, 0, sizeof(field));
  std::memcpy(field, text.data(), std::min(text.size(), N - 1) * sizeof(WCHAR));
}

// The host's capability record. The module writes `capFlag` only.
struct FilterCaps {
  BYTE hostReserved[8];
  bool capFlag;
  BYTE hostTail[7];
};
static_assert(offsetof(FilterCaps, capFlag) == 8);

// {5EA71600-B1EF-430E-9672-D16F231C8A9B}
inline constexpr IID IID_IParameterCtrl = {0x5EA71600, 0xB1EF, 0x430E, {0x96, 0x72, 0xD1, 0x6F, 0x23, 0x1C, 0x8A, 0x9B}};

namespace orv_detail {
// No exception leaves an operation of these interfaces: a host need not share
// the module's C++ runtime, or be written in C++ at all. Every operation runs
// its body through this and answers `onNoMemory` when memory ran out and
// `onFailure` for any other exception.
template <class R, class Body>
R guarded(R onNoMemory, R onFailure, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return onNoMemory;
  } catch (...) {
    return onFailure;
  }
}
// The same for operations that have no result to report a failure in.
template <class Body>
void guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}
}  // namespace orv_detail

// Raw operations: results as HRESULT, type lists as task-memory arrays.
//
// Threads: the host calls notifyStart_, then transform_ once per frame on its
// streaming thread, then notifyStop_, in that order and never overlapping.
// Each line below says who may call the operation and which lock it takes.
class IFrameFilterBase_ : public IUnknown {
 public:
  // [streaming thread] between notifyStart_ and notifyStop_; holds lock() only to copy parameters.
  virtual HRESULT ORV_CALL transform_(const IFrameBuffer& src, IFrameBuffer& dest) = 0;
  // [any thread] no lock; answers from the current parameters.
  virtual HRESULT ORV_CALL getTransformOutputTypes_(const FrameTypeInfo& in, FrameTypeInfo** ppTypes, LONG* pCount) = 0;
  // [any thread] no lock.
  virtual HRESULT ORV_CALL checkInputType_(const FrameTypeInfo& type) = 0;
  // [any thread] no lock.
  virtual HRESULT ORV_CALL getSupportedInputTypes_(FrameTypeInfo** ppTypes, LONG* pCount) = 0;
  // [any thread] no lock; answers from the current parameters.
  virtual HRESULT ORV_CALL checkTransformTypes_(const FrameTypeInfo& in, const FrameTypeInfo& out) = 0;
  // [host's control thread] no lock; before the first transform_, not while one runs.
  virtual HRESULT ORV_CALL notifyStart_(const FrameTypeInfo& in, const FrameTypeInfo& out) = 0;
  // [host's control thread] no lock; after the last transform_ has returned.
  virtual HRESULT ORV_CALL notifyStop_() = 0;
  // [any thread] no lock.
  virtual HRESULT ORV_CALL queryCaps_(FilterCaps* pCaps) = 0;
};

// Typed operations, and the raw ones forwarded to them.
class IFrameFilterBase : public IFrameFilterBase_ {
 public:
  // Bodies below, inline: every host and module translation unit sees them.
  inline HRESULT ORV_CALL QueryInterface(REFIID riid, void** ppv) override;
  ULONG ORV_CALL AddRef() override { return 1; }
  ULONG ORV_CALL Release() override { return 1; }

  inline HRESULT ORV_CALL transform_(const IFrameBuffer& src, IFrameBuffer& dest) override;
  inline HRESULT ORV_CALL getTransformOutputTypes_(const FrameTypeInfo& in, FrameTypeInfo** ppTypes, LONG* pCount) override;
  inline HRESULT ORV_CALL checkInputType_(const FrameTypeInfo& type) override;
  inline HRESULT ORV_CALL getSupportedInputTypes_(FrameTypeInfo** ppTypes, LONG* pCount) override;
  inline HRESULT ORV_CALL checkTransformTypes_(const FrameTypeInfo& in, const FrameTypeInfo& out) override;
  inline HRESULT ORV_CALL notifyStart_(const FrameTypeInfo& in, const FrameTypeInfo& out) override;
  inline HRESULT ORV_CALL notifyStop_() override;
  inline HRESULT ORV_CALL queryCaps_(FilterCaps* pCaps) override;

  virtual ~IFrameFilterBase() {}

  // The typed twins, for hosts built with the module's C++ runtime: the same
  // threads and locks as their raw operations, but exceptions (an exhausted
  // std::vector) are not caught here.
  // [streaming thread] as transform_.
  virtual bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) = 0;
  // [any thread] no lock.
  virtual void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) = 0;
  // [any thread] no lock.
  inline virtual bool ORV_CALL checkInputType(const FrameTypeInfo& type);
  // [any thread] no lock.
  virtual bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) = 0;
  // [any thread] no lock.
  inline virtual bool ORV_CALL checkTransformTypes(const FrameTypeInfo& in, const FrameTypeInfo& out);
  // [host's control thread] as notifyStart_.
  virtual void ORV_CALL notifyStart(const FrameTypeInfo& in, const FrameTypeInfo& out) {
    static_cast<void>(in);
    static_cast<void>(out);
  }
  // [host's control thread] as notifyStop_.
  virtual void ORV_CALL notifyStop() {}
};

// Named, typed parameters; a separate root with its own table.
//
// Threads: no parameter operation takes the filter's lock. A host that
// changes parameters while frames flow calls them between lock() and
// unlock(), so that a frame sees all of a change or nothing of it.
class IParameterCtrl {
 public:
  virtual ~IParameterCtrl() {}
  // [any thread] no lock; while frames flow, between lock() and unlock().
  virtual tParamResult ORV_CALL getParameter(const WCHAR* name, VARIANT* pValue) = 0;
  // [any thread] enters the filter's re-entrant lock, which transform takes to copy parameters.
  virtual void ORV_CALL lock() = 0;
  // [the thread that called lock()] leaves it once per lock().
  virtual void ORV_CALL unlock() = 0;
  // [any thread] no lock.
  virtual bool ORV_CALL hasDialog() { return false; }
  // [the thread that runs the dialog] modal; locks around each change it makes.
  virtual bool ORV_CALL callDialog(HWND parent) {
    static_cast<void>(parent);
    return false;
  }
  // [any thread] no lock; the descriptions never change.
  virtual bool ORV_CALL getParameterDesc(unsigned index, ParameterDesc* pPD) = 0;
  // [any thread] no lock; while frames flow, between lock() and unlock().
  virtual tParamResult ORV_CALL setParameter(const WCHAR* name, const VARIANT* pValue) = 0;
  // Named data blocks: copy in, ask the size, copy out.
  // [any thread] no lock; while frames flow, between lock() and unlock() (all three).
  virtual tParamResult ORV_CALL setData(const WCHAR* name, const void* pData, ULONG size) = 0;
  virtual tParamResult ORV_CALL getDataSize(const WCHAR* name, ULONG* pSize) = 0;
  virtual tParamResult ORV_CALL getData(const WCHAR* name, void* pData, ULONG size) = 0;
  // The text of all parameters, in task memory owned by the caller.
  // [any thread] no lock; while frames flow, between lock() and unlock().
  virtual tParamResult ORV_CALL saveParameters(WCHAR** ppText) = 0;
  // [any thread] no lock; while frames flow, between lock() and unlock().
  virtual tParamResult ORV_CALL restoreParameters(const WCHAR* text) = 0;
};

// A filter instance: its primary table is IFrameFilterBase's, then these two;
// IParameterCtrl's table sits one pointer further into the object.
class IFrameFilter : public IFrameFilterBase, public IParameterCtrl {
 public:
  // [any thread] no lock.
  virtual void ORV_CALL getFilterInfo(FilterInfo* pInfo) = 0;
  // [host's control thread] no lock; not while another thread reads the filter record.
  virtual void ORV_CALL setFilePath(const WCHAR* text) = 0;
};

// ---- IFrameFilterBase: raw operations forwarded to the typed ones ----

inline HRESULT IFrameFilterBase::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

inline HRESULT IFrameFilterBase::transform_(const IFrameBuffer& src, IFrameBuffer& dest) {
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] { return transform(src, dest) ? S_OK : S_FALSE; });
}

namespace orv_detail {
// One task-memory block holding `list` in order; null when allocation fails.
inline FrameTypeInfo* copyTypeList(const std::vector<FrameTypeInfo>& list) {
  void* block = CoTaskMemAlloc(list.size() * sizeof(FrameTypeInfo));
  if (block && !list.empty()) std::memcpy(block, list.data(), list.size() * sizeof(FrameTypeInfo));
  return static_cast<FrameTypeInfo*>(block);
}
}  // namespace orv_detail

inline HRESULT IFrameFilterBase::getTransformOutputTypes_(const FrameTypeInfo& in, FrameTypeInfo** ppTypes,
                                                          LONG* pCount) {
  if (!ppTypes || !pCount) return E_POINTER;
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] {
    std::vector<FrameTypeInfo> list;
    if (!getTransformOutputTypes(in, list)) return E_FAIL;
    *ppTypes = orv_detail::copyTypeList(list);
    if (!*ppTypes) return E_POINTER;  // the established answer to a failed allocation here
    *pCount = static_cast<LONG>(list.size());
    return S_OK;
  });
}

inline HRESULT IFrameFilterBase::checkInputType_(const FrameTypeInfo& type) {
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] { return checkInputType(type) ? S_OK : E_FAIL; });
}

inline HRESULT IFrameFilterBase::getSupportedInputTypes_(FrameTypeInfo** ppTypes, LONG* pCount) {
  if (!ppTypes || !pCount) return E_POINTER;
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] {
    std::vector<FrameTypeInfo> list;
    getSupportedInputTypes(list);
    if (list.empty()) {
      *ppTypes = nullptr;
      *pCount = 0;
      return S_FALSE;
    }
    *ppTypes = orv_detail::copyTypeList(list);
    if (!*ppTypes) return E_OUTOFMEMORY;
    *pCount = static_cast<LONG>(list.size());
    return S_OK;
  });
}

inline HRESULT IFrameFilterBase::checkTransformTypes_(const FrameTypeInfo& in, const FrameTypeInfo& out) {
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] { return checkTransformTypes(in, out) ? S_OK : S_FALSE; });
}

inline HRESULT IFrameFilterBase::notifyStart_(const FrameTypeInfo& in, const FrameTypeInfo& out) {
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] {
    notifyStart(in, out);
    return S_OK;
  });
}

inline HRESULT IFrameFilterBase::notifyStop_() {
  return orv_detail::guarded(E_OUTOFMEMORY, E_FAIL, [&] {
    notifyStop();
    return S_OK;
  });
}

inline HRESULT IFrameFilterBase::queryCaps_(FilterCaps* pCaps) {
  if (!pCaps) return E_POINTER;
  pCaps->capFlag = false;
  return S_OK;
}

inline bool IFrameFilterBase::checkInputType(const FrameTypeInfo& type) {
  std::vector<FrameTypeInfo> list;
  getSupportedInputTypes(list);
  for (const FrameTypeInfo& listed : list)
    if (Pixlib::frameTypeMatches(type, listed)) return true;
  return false;
}

inline bool IFrameFilterBase::checkTransformTypes(const FrameTypeInfo& in, const FrameTypeInfo& out) {
  std::vector<FrameTypeInfo> list;
  if (!getTransformOutputTypes(in, list)) return false;
  for (const FrameTypeInfo& listed : list)
    if (Pixlib::frameTypeMatches(listed, out)) return true;
  return false;
}
