// Makes the process's allocations fail on demand, the library's included.
//
// The test binary that links this replaces the global operator new and
// operator new[] (throwing and nothrow forms), which the shared library also
// binds to, so failures reach the library's own allocation paths without any
// test-only branch in it.
#ifndef VO_TOOLS_TESTS_SUPPORT_FAILING_ALLOCATOR_H_
#define VO_TOOLS_TESTS_SUPPORT_FAILING_ALLOCATOR_H_

namespace vo_tools_test {

// Which allocation functions a scope makes fail.
enum class Allocations { kSingleObject, kArray };

// Whether only the first refused allocation fails, or every one after it.
enum class Refusal { kOnce, kFromThenOn };

// While alive, the allocations of `kind` after the first `successes` fail:
// nothrow forms return null, throwing forms throw std::bad_alloc. Not
// nestable; single-threaded tests only.
class ScopedAllocationFailure {
 public:
  ScopedAllocationFailure(Allocations kind, int successes, Refusal refusal);
  ~ScopedAllocationFailure();

  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

  // Allocations refused so far.
  int failures() const;
};

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_SUPPORT_FAILING_ALLOCATOR_H_
