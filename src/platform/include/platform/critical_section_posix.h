// POSIX critical section: a mutex with an owner and a recursion depth, and
// up to kSpinCount try-lock attempts before a contended Lock blocks.
// Contract: see platform/critical_section.h.
#ifndef VO_TOOLS_PLATFORM_CRITICAL_SECTION_POSIX_H_
#define VO_TOOLS_PLATFORM_CRITICAL_SECTION_POSIX_H_

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/thread_annotations.h"

namespace vo_tools::platform {

class CAPABILITY("mutex") CriticalSection {
 public:
  // Attempts a contended Lock makes before it waits in the kernel.
  static constexpr int kSpinCount = 4000;

  CriticalSection();
  ~CriticalSection() = default;

  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Lock() ACQUIRE();
  void Unlock() RELEASE();

  // Number of try-lock attempts a contended Lock makes before blocking:
  // kSpinCount on a multiprocessor, 0 where spinning cannot help.
  int SpinCountForTesting() const { return spin_count_; }

 private:
  std::mutex mutex_;
  // Every Lock reads owner_, but a thread can find its own id there only if
  // it stored it itself, so relaxed order suffices.
  std::atomic<std::thread::id> owner_;
  unsigned depth_ = 0;  // guarded by mutex_
  const int spin_count_;
};

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_CRITICAL_SECTION_POSIX_H_
