// Bounded waiting for a condition that another thread makes true.
#ifndef VO_TOOLS_TESTS_SUPPORT_WAIT_FOR_H_
#define VO_TOOLS_TESTS_SUPPORT_WAIT_FOR_H_

#include <chrono>
#include <thread>

namespace vo_tools_test {

// How long a test waits for what a sound build does in microseconds (a
// waiting thread taking a free lock, a forked child logging a line) before
// calling it hung. Generous, so that only a broken build ever spends it; a
// wait that can run out on a sound build is mended in what it waits for,
// never by a longer bound.
inline constexpr std::chrono::seconds kHangBound{20};

// Polls `condition` until it holds or `bound` has passed; returns its last
// value. The bound is for a broken build, never for pacing.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds bound = kHangBound) {
  const auto give_up = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > give_up) return condition();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_SUPPORT_WAIT_FOR_H_
