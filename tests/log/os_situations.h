// What the log tests set up around a process where the platforms differ:
// a FIFO at a log's path, a process started with its standard descriptors
// closed, a second, unprivileged user planting files, and a look at the
// locks other processes hold. Where a platform
// cannot show a situation, its function says so and the test skips.
#ifndef VO_TOOLS_TESTS_LOG_OS_SITUATIONS_H_
#define VO_TOOLS_TESTS_LOG_OS_SITUATIONS_H_

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace vo_tools_test {

// Makes a FIFO at `path`; false where there are none (Windows).
bool MakeFifo(const std::string& path);

// Reads the FIFO at `path` on a thread of its own, without blocking the
// opening, until Stop, which returns what was read.
class FifoReader {
 public:
  explicit FifoReader(const std::string& path);
  ~FifoReader();
  FifoReader(const FifoReader&) = delete;
  FifoReader& operator=(const FifoReader&) = delete;
  std::string Stop();

 private:
  [[maybe_unused]] int fd_ = -1;  // POSIX only
  std::atomic<bool> stop_{false};
  std::string read_;
  std::thread thread_;
};

// Closes descriptors 0, 1 and 2 for the guard's life; standard error is
// kept aside and put back at the end, so that failures still show.
// Supported() is false where processes have no such descriptors (Windows).
class ScopedClosedStandardDescriptors {
 public:
  static bool Supported();
  ScopedClosedStandardDescriptors();
  ~ScopedClosedStandardDescriptors();
  ScopedClosedStandardDescriptors(const ScopedClosedStandardDescriptors&) = delete;
  ScopedClosedStandardDescriptors& operator=(const ScopedClosedStandardDescriptors&) = delete;

 private:
  [[maybe_unused]] int saved_[3] = {-1, -1, -1};  // POSIX only
};

// Runs `handler` every `interval_us` microseconds, as the handler of a timer
// signal, on whichever thread of the process the signal interrupts, for the
// guard's life. Supported() is false where there are no signals (Windows).
class ScopedSignalStorm {
 public:
  static bool Supported();
  ScopedSignalStorm(void (*handler)(), long interval_us);
  ~ScopedSignalStorm();
  ScopedSignalStorm(const ScopedSignalStorm&) = delete;
  ScopedSignalStorm& operator=(const ScopedSignalStorm&) = delete;
};

// Whether descriptor `fd` is open in this process.
bool DescriptorIsOpen(int fd);

// Runs `body` in a child process that has dropped to an unprivileged user
// (uid and gid 65534) and returns true when it exited cleanly. False, with
// the reason in `why_not`, where that cannot be done: the process is not
// root, or the platform has no such users (Windows).
bool RunAsAnotherUser(const std::function<void()>& body, std::string* why_not);

// The owner's user id of `path` (not following a link), or -1.
long OwnerOf(const std::string& path);

// Whether this process could lock the whole of `path` now, without
// waiting: false while another process holds a lock on any part of it.
bool WholeFileCanBeLocked(const std::string& path);

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_LOG_OS_SITUATIONS_H_
