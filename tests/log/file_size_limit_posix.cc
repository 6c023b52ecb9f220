#include <signal.h>
#include <sys/resource.h>

#include "file_size_limit.h"

namespace vo_tools_test {

bool ScopedFileSizeLimit::Supported() {
  return true;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(std::uint64_t bytes) {
  // Past the cap a write fails with EFBIG instead of killing the process.
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  previous_ = limit.rlim_cur;
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
  if (!active_) return;
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  limit.rlim_cur = static_cast<rlim_t>(previous_);
  setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace vo_tools_test
