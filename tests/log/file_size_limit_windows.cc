#include "file_size_limit.h"

namespace vo_tools_test {

// Windows has no per-process cap on file sizes.
bool ScopedFileSizeLimit::Supported() {
  return false;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(std::uint64_t /*bytes*/) {}

ScopedFileSizeLimit::~ScopedFileSizeLimit() = default;

}  // namespace vo_tools_test
