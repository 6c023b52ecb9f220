#include "os_situations.h"

namespace vo_tools_test {

// Windows has no FIFO that a file path in a directory could name, no
// numbered standard descriptors, and no user a test could switch to.
bool MakeFifo(const std::string& /*path*/) {
  return false;
}

FifoReader::FifoReader(const std::string& /*path*/) {}

FifoReader::~FifoReader() = default;

std::string FifoReader::Stop() {
  return read_;
}

bool ScopedClosedStandardDescriptors::Supported() {
  return false;
}

ScopedClosedStandardDescriptors::ScopedClosedStandardDescriptors() = default;

ScopedClosedStandardDescriptors::~ScopedClosedStandardDescriptors() = default;

bool ScopedSignalStorm::Supported() {
  return false;
}

ScopedSignalStorm::ScopedSignalStorm(void (* /*handler*/)(), long /*interval_us*/) {}

ScopedSignalStorm::~ScopedSignalStorm() = default;

bool DescriptorIsOpen(int /*fd*/) {
  return false;
}

bool RunAsAnotherUser(const std::function<void()>& /*body*/, std::string* why_not) {
  *why_not = "Windows has no user a test could switch to, and its log paths keep today's rules";
  return false;
}

long OwnerOf(const std::string& /*path*/) {
  return -1;
}

}  // namespace vo_tools_test
