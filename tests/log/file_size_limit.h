// A cap on the size of the files this test process writes, as a full disk
// would impose it: a write that would pass the cap is cut short or fails,
// and no signal ends the process.
#ifndef VO_TOOLS_TESTS_LOG_FILE_SIZE_LIMIT_H_
#define VO_TOOLS_TESTS_LOG_FILE_SIZE_LIMIT_H_

#include <cstdint>

namespace vo_tools_test {

// Holds the cap for its scope and lifts it again (to what it was before) at
// the end of it. Nothing is capped where the platform offers no such limit
// (Windows): Supported() says whether it does.
class ScopedFileSizeLimit {
 public:
  static bool Supported();

  explicit ScopedFileSizeLimit(std::uint64_t bytes);
  ~ScopedFileSizeLimit();
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  // False when the cap could not be set.
  bool active() const { return active_; }

 private:
  bool active_ = false;
  [[maybe_unused]] std::uint64_t previous_ = 0;  // POSIX only
};

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_LOG_FILE_SIZE_LIMIT_H_
