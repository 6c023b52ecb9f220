#include "failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

using vo_tools_test::Allocations;
using vo_tools_test::Refusal;

constexpr int kNeverFail = -1;
std::atomic<int> g_successes_left{kNeverFail};
std::atomic<Allocations> g_kind{Allocations::kSingleObject};
std::atomic<Refusal> g_refusal{Refusal::kOnce};
std::atomic<int> g_failures{0};

bool ShouldFail(Allocations kind) {
  const int left = g_successes_left.load();
  if (left == kNeverFail || kind != g_kind.load()) return false;
  if (left > 0) {
    g_successes_left.store(left - 1);
    return false;
  }
  if (g_refusal.load() == Refusal::kOnce) g_successes_left.store(kNeverFail);
  ++g_failures;
  return true;
}

// Every replaced form allocates with malloc and every delete frees with free,
// so a sanitizer sees matching pairs.
void* Allocate(Allocations kind, std::size_t size) {
  if (ShouldFail(kind)) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(Allocations kind, std::size_t size) {
  void* block = Allocate(kind, size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace vo_tools_test {

ScopedAllocationFailure::ScopedAllocationFailure(Allocations kind, int successes, Refusal refusal) {
  g_failures.store(0);
  g_kind.store(kind);
  g_refusal.store(refusal);
  g_successes_left.store(successes);
}

ScopedAllocationFailure::~ScopedAllocationFailure() {
  g_successes_left.store(kNeverFail);
}

int ScopedAllocationFailure::failures() const {
  return g_failures.load();
}

}  // namespace vo_tools_test

void* operator new(std::size_t size) {
  return AllocateOrThrow(Allocations::kSingleObject, size);
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(Allocations::kArray, size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(Allocations::kSingleObject, size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(Allocations::kArray, size);
}

void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
