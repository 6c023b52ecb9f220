// CKaCriticalSection: the library's re-entrant lock, with a spin phase of
// 4000 attempts before a contended Lock blocks where the system offers one.
//
// Not exported, not copyable, not movable: an initialised section stays at
// its address until destroyed. The owning thread may Lock again; other
// threads get the section once every Lock is matched by an Unlock, which only
// the owner calls. Construction and destruction are not guarded: they happen
// while no other thread can reach the object. Nothing reports a failure.
#ifndef VO_TOOLS_MODULE_CRITICAL_SECTION_H_
#define VO_TOOLS_MODULE_CRITICAL_SECTION_H_

#include "platform/critical_section.h"
#include "platform/thread_annotations.h"

class CAPABILITY("mutex") CKaCriticalSection {
 public:
  CKaCriticalSection() = default;
  ~CKaCriticalSection() = default;

  CKaCriticalSection(const CKaCriticalSection&) = delete;
  CKaCriticalSection& operator=(const CKaCriticalSection&) = delete;

  // The analysis sees this object as the lock; the platform section inside
  // it is the mechanism.
  void Lock() ACQUIRE() NO_THREAD_SAFETY_ANALYSIS { m_section.Lock(); }
  void Unlock() RELEASE() NO_THREAD_SAFETY_ANALYSIS { m_section.Unlock(); }

  // Try-lock attempts a contended Lock makes before it blocks.
  int SpinCountForTesting() const { return m_section.SpinCountForTesting(); }

 private:
  vo_tools::platform::CriticalSection m_section;
};

namespace vo_tools {

// Holds a CKaCriticalSection for the guard's scope.
class SCOPED_CAPABILITY CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CKaCriticalSection* section) ACQUIRE(section) : section_(section) {
    section_->Lock();
  }
  ~CriticalSectionLock() RELEASE() { section_->Unlock(); }

  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CKaCriticalSection* const section_;
};

}  // namespace vo_tools

#endif  // VO_TOOLS_MODULE_CRITICAL_SECTION_H_
