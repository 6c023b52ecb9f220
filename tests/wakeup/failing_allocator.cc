#include "wakeup/failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr int kNeverFail = -1;
std::atomic<int> g_successes_left{kNeverFail};
std::atomic<int> g_failures{0};

bool ShouldFail() {
  int left = g_successes_left.load();
  if (left == kNeverFail) return false;
  if (left == 0) {
    g_successes_left.store(kNeverFail);
    ++g_failures;
    return true;
  }
  g_successes_left.store(left - 1);
  return false;
}

// The replaced forms allocate with malloc and free with free, so that a
// sanitizer sees matching pairs; the array forms still go through these.
void* Allocate(std::size_t size) {
  if (ShouldFail()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

namespace vo_tools::testing {

ScopedAllocationFailure::ScopedAllocationFailure(int successes) {
  g_failures.store(0);
  g_successes_left.store(successes);
}

ScopedAllocationFailure::~ScopedAllocationFailure() {
  g_successes_left.store(kNeverFail);
}

int ScopedAllocationFailure::failures() const {
  return g_failures.load();
}

}  // namespace vo_tools::testing

void* operator new(std::size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}

void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
