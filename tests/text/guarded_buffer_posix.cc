#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "guarded_buffer.h"

namespace vo_tools_test {

GuardedBuffer::GuardedBuffer(std::size_t size) : size_(size) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t usable = (size + page - 1) / page * page;
  mapping_size_ = usable + page;
  mapping_ =
      mmap(nullptr, mapping_size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED ||
      mprotect(static_cast<char*>(mapping_) + usable, page, PROT_NONE) != 0) {
    std::perror("GuardedBuffer");
    std::abort();
  }
  data_ = static_cast<char*>(mapping_) + usable - size;
}

GuardedBuffer::~GuardedBuffer() {
  munmap(mapping_, mapping_size_);
}

}  // namespace vo_tools_test
