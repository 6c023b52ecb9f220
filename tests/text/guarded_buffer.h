// A buffer whose last byte is followed at once by a page the process may
// neither read nor write, so that a read or a write one byte past its end
// faults even in a build without sanitizers and even within what would
// otherwise be the same page. One instance per test; not shared between
// threads. Construction aborts the test program when the system refuses the
// pages (a test environment fault, not a result).
#ifndef VO_TOOLS_TESTS_TEXT_GUARDED_BUFFER_H_
#define VO_TOOLS_TESTS_TEXT_GUARDED_BUFFER_H_

#include <cstddef>

namespace vo_tools_test {

class GuardedBuffer {
 public:
  explicit GuardedBuffer(std::size_t size);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  char* data() { return data_; }
  std::size_t size() const { return size_; }

 private:
  void* mapping_;
  std::size_t mapping_size_;
  char* data_;
  std::size_t size_;
};

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_TEXT_GUARDED_BUFFER_H_
