#include "timed_fork.h"

namespace vo_tools_test {

bool CanFork() {
  return false;
}

ForkOutcome ForkAndWait(const std::function<void()>& /*body*/,
                        std::chrono::milliseconds /*limit*/) {
  return ForkOutcome::kUnsupported;
}

}  // namespace vo_tools_test
