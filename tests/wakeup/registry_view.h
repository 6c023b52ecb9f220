// What the wake-up tests see of the process-wide request registry: its
// entries, read from the test's thread while no tick can come (the fake host
// fires only on Tick), and whether another thread can take its lock.
#ifndef VO_TOOLS_TESTS_WAKEUP_REGISTRY_VIEW_H_
#define VO_TOOLS_TESTS_WAKEUP_REGISTRY_VIEW_H_

#include <gtest/gtest.h>

#include <cstddef>

#include "vo_tools/wakeup.h"

namespace vo_tools_test {

class Registry : public CPlexWakeUpServer {
 public:
  static std::size_t size() { return m_aRequests.size(); }
  static bool holds(const KaWakable* wakable) {
    return m_aRequests.count(const_cast<KaWakable*>(wakable)) == 1;
  }
  static int initialized() { return m_bRequestsInitialized; }
  static const void* lock() { return &m_critsectionRequests; }
};

// Succeeds if a thread other than the caller takes the registry's lock
// (through OnWakeup with a cookie nothing is registered under) within
// kHangBound. The thread is the program's one probe thread, started before
// the first test, so no thread starts or ends while a probe is under way. A
// failure says what the probe saw: the probe thread never took the request
// up, or it is entering the lock (with the lock's owner and counts where the
// platform shows them); a probe that ends after its bound says so on
// standard error.
::testing::AssertionResult RegistryLockIsFree();

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_WAKEUP_REGISTRY_VIEW_H_
