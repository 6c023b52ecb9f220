#include "handles/failing_allocator.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

constexpr int kNeverFail = -1;
std::atomic<int> g_successes_left{kNeverFail};
std::atomic<int> g_failures{0};

bool ShouldFail() {
  int left = g_successes_left.load();
  if (left == kNeverFail) return false;
  if (left == 0) {
    ++g_failures;
    return true;
  }
  g_successes_left.store(left - 1);
  return false;
}

}  // namespace

namespace vo_tools::testing {

ScopedArrayAllocationFailure::ScopedArrayAllocationFailure(int successes) {
  g_failures.store(0);
  g_successes_left.store(successes);
}

ScopedArrayAllocationFailure::~ScopedArrayAllocationFailure() {
  g_successes_left.store(kNeverFail);
}

int ScopedArrayAllocationFailure::failures() const {
  return g_failures.load();
}

}  // namespace vo_tools::testing

// Allocates through the throwing form so that the default operator delete[]
// (and a sanitizer's) matches every block handed out here.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (ShouldFail()) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}
