#include "platform/critical_section_posix.h"

namespace vo_tools::platform {
namespace {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

int SpinCountForThisMachine() {
  return std::thread::hardware_concurrency() > 1 ? CriticalSection::kSpinCount : 0;
}

}  // namespace

CriticalSection::CriticalSection() : spin_count_(SpinCountForThisMachine()) {}

// The implementation of a lock is where the analysis stops.
void CriticalSection::Lock() NO_THREAD_SAFETY_ANALYSIS {
  const std::thread::id self = std::this_thread::get_id();
  if (owner_.load(std::memory_order_relaxed) == self) {
    ++depth_;
    return;
  }
  bool acquired = false;
  for (int attempt = 0; attempt < spin_count_ && !acquired; ++attempt) {
    acquired = mutex_.try_lock();
    if (!acquired) CpuRelax();
  }
  if (!acquired) mutex_.lock();
  owner_.store(self, std::memory_order_relaxed);
  depth_ = 1;
}

void CriticalSection::Unlock() NO_THREAD_SAFETY_ANALYSIS {
  if (--depth_ != 0) return;
  owner_.store(std::thread::id(), std::memory_order_relaxed);
  mutex_.unlock();
}

}  // namespace vo_tools::platform
