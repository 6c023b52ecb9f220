// Makes the single-object allocations of the whole process fail on demand,
// the library's included: the test binary replaces the global operator new
// (throwing and nothrow forms), which the shared library binds to.
#ifndef VO_TOOLS_TESTS_WAKEUP_FAILING_ALLOCATOR_H_
#define VO_TOOLS_TESTS_WAKEUP_FAILING_ALLOCATOR_H_

namespace vo_tools::testing {

// While alive, the single-object allocation after the first `successes`
// fails (the nothrow form returns null, the throwing form throws
// std::bad_alloc); later ones succeed again. Not nestable; single-threaded
// tests only.
class ScopedAllocationFailure {
 public:
  explicit ScopedAllocationFailure(int successes);
  ~ScopedAllocationFailure();

  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

  // Allocations refused so far.
  int failures() const;
};

}  // namespace vo_tools::testing

#endif  // VO_TOOLS_TESTS_WAKEUP_FAILING_ALLOCATOR_H_
