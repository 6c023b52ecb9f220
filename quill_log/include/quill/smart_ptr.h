// QUILL::CSmartPtr<T>: a reference-counted holder of one heap object that
// several holders share; the last holder to let go deletes it.
//
// Every holder of one object shares its count (a separate heap block) and,
// when the first holder was made "with lock", one CQuillLock whose write lock
// serialises changes of the count. Without a lock, holders of one object must
// not be copied, assigned or destroyed on different threads at once. Member
// access is never locked and does not check for null.
//
// Failures: construction and copying may throw std::bad_alloc; the
// destructor swallows anything the object's destructor throws.
#ifndef QUILL_SMART_PTR_H_
#define QUILL_SMART_PTR_H_

#include "quill/quill_lock.h"

namespace QUILL {

template <class T>
class CSmartPtr {
 public:
  // Holds `object` (which may be null) with a count of 1; `with_lock` gives
  // the holders of this object a lock, `is_array` makes the last release use
  // delete[].
  explicit CSmartPtr(T* object = nullptr, bool with_lock = false, bool is_array = false)
      : m_pObject(object), m_pnCount(new int(1)), m_pLock(nullptr), m_bArray(is_array) {
    if (with_lock) {
      try {
        m_pLock = new CQuillLock(nullptr);
      } catch (...) {
        delete m_pnCount;
        throw;
      }
    }
  }

  CSmartPtr(const CSmartPtr& other) { TakeOver(other); }

  virtual ~CSmartPtr() {
    try {
      Release();
    } catch (...) {
      // A destructor must not throw; what the object's teardown raised is
      // dropped with it.
    }
    m_pObject = nullptr;
    m_pnCount = nullptr;
    m_pLock = nullptr;
  }

  // Holders of the same object (null included) are left alone, even if their
  // counts differ; otherwise this holder lets go of its object and shares
  // the other's.
  CSmartPtr& operator=(const CSmartPtr& other) {
    if (m_pObject == other.m_pObject) return *this;
    Release();
    TakeOver(other);
    return *this;
  }

  T* operator->() const { return m_pObject; }
  T& operator*() const { return *m_pObject; }
  T* get() const { return m_pObject; }

  // Number of holders sharing the object; for diagnostics and tests.
  int use_count() const { return m_pnCount != nullptr ? *m_pnCount : 0; }
  bool has_lock() const { return m_pLock != nullptr; }

 private:
  void TakeOver(const CSmartPtr& other) {
    m_pObject = other.m_pObject;
    m_pnCount = other.m_pnCount;
    m_pLock = other.m_pLock;
    m_bArray = other.m_bArray;
    if (m_pLock != nullptr) m_pLock->LockWriting();
    ++*m_pnCount;
    if (m_pLock != nullptr) m_pLock->UnlockWriting();
  }

  // Drops this holder's reference; the last one frees the object, the count
  // and the lock. Otherwise the fields keep their values.
  void Release() {
    if (m_pLock != nullptr) m_pLock->LockWriting();
    const bool last = m_pnCount != nullptr && --*m_pnCount == 0;
    if (m_pLock != nullptr) m_pLock->UnlockWriting();
    if (!last) return;
    if (m_pObject != nullptr) {
      if (m_bArray) {
        delete[] m_pObject;
      } else {
        delete m_pObject;
      }
      m_pObject = nullptr;
    }
    delete m_pnCount;
    m_pnCount = nullptr;
    delete m_pLock;
    m_pLock = nullptr;
  }

  T* m_pObject;
  int* m_pnCount;
  CQuillLock* m_pLock;
  bool m_bArray;
};

}  // namespace QUILL

#endif  // QUILL_SMART_PTR_H_
