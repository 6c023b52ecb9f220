// Bounded waiting for a condition that another thread makes true.
#ifndef VO_TOOLS_TESTS_SUPPORT_WAIT_FOR_H_
#define VO_TOOLS_TESTS_SUPPORT_WAIT_FOR_H_

#include <chrono>
#include <thread>

namespace vo_tools::testing {

// Polls `condition` until it holds or a generous bound has passed; returns
// its last value. The bound is for a broken build, never for pacing.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  const auto give_up = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > give_up) return condition();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

}  // namespace vo_tools::testing

#endif  // VO_TOOLS_TESTS_SUPPORT_WAIT_FOR_H_
