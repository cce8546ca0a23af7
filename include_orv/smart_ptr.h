// Shared ownership for the module's registries: a heap count shared by all
// copies, changed only with interlocked operations. The pointer object itself
// is not locked; two threads must not assign the same smart_ptr at once.
#pragma once

#include <new>
#include <utility>

#include "platform/sync.h"

// Ownership policy: how the object and its count are released.
template <class T>
struct refcount_ptr {
  static void destroy(T* object) { delete object; }
};

template <class T, class Policy = refcount_ptr<T>>
class smart_ptr {
 public:
  smart_ptr() = default;
  // Takes ownership of `object`; if the count cannot be allocated the object
  // is released and the allocation failure passes on.
  explicit smart_ptr(T* object) : m_pObject(object) {
    try {
      m_pCount = new LONG(1);
    } catch (...) {
      Policy::destroy(object);
      throw;
    }
  }
  smart_ptr(const smart_ptr& other) : m_pCount(other.m_pCount), m_pObject(other.m_pObject) {
    if (m_pCount) InterlockedIncrement(m_pCount);
  }
  smart_ptr(smart_ptr&& other) noexcept { swap(other); }
  ~smart_ptr() { release(); }

  // By value, then swap: the old target is released when `other` dies.
  smart_ptr& operator=(smart_ptr other) noexcept {
    swap(other);
    return *this;
  }

  void swap(smart_ptr& other) noexcept {
    std::swap(m_pCount, other.m_pCount);
    std::swap(m_pObject, other.m_pObject);
  }

  T* get() const { return m_pObject; }
  T* operator->() const { return m_pObject; }
  T& operator*() const { return *m_pObject; }
  explicit operator bool() const { return m_pObject != nullptr; }

 private:
  void release() {
    if (m_pCount && InterlockedDecrement(m_pCount) == 0) {
      if (m_pObject) Policy::destroy(m_pObject);
      delete m_pCount;
    }
    m_pCount = nullptr;
    m_pObject = nullptr;
  }

  LONG* m_pCount = nullptr;
  T* m_pObject = nullptr;
};
