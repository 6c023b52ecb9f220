// Makes the library's nothrow array allocations fail on demand.
//
// The test binary replaces the global operator new[](size_t, nothrow_t),
// which the shared library also binds to, so failures reach the library's
// own allocation paths without any test-only branch in it.
#ifndef VO_TOOLS_TESTS_HANDLES_FAILING_ALLOCATOR_H_
#define VO_TOOLS_TESTS_HANDLES_FAILING_ALLOCATOR_H_

namespace vo_tools::testing {

// While alive, the nothrow array allocations after the first `successes`
// fail (return null). Not nestable; single-threaded tests only.
class ScopedArrayAllocationFailure {
 public:
  explicit ScopedArrayAllocationFailure(int successes);
  ~ScopedArrayAllocationFailure();

  ScopedArrayAllocationFailure(const ScopedArrayAllocationFailure&) = delete;
  ScopedArrayAllocationFailure& operator=(const ScopedArrayAllocationFailure&) = delete;

  // Allocations refused so far.
  int failures() const;
};

}  // namespace vo_tools::testing

#endif  // VO_TOOLS_TESTS_HANDLES_FAILING_ALLOCATOR_H_
