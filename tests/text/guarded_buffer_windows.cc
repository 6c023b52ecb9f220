#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "guarded_buffer.h"

namespace vo_tools_test {

GuardedBuffer::GuardedBuffer(std::size_t size) : size_(size) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const std::size_t page = info.dwPageSize;
  const std::size_t usable = (size + page - 1) / page * page;
  mapping_size_ = usable + page;
  mapping_ = VirtualAlloc(nullptr, mapping_size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  DWORD previous = 0;
  if (mapping_ == nullptr ||
      !VirtualProtect(static_cast<char*>(mapping_) + usable, page, PAGE_NOACCESS, &previous)) {
    std::fprintf(stderr, "GuardedBuffer: error %lu\n", GetLastError());
    std::abort();
  }
  data_ = static_cast<char*>(mapping_) + usable - size;
}

GuardedBuffer::~GuardedBuffer() {
  VirtualFree(mapping_, 0, MEM_RELEASE);
}

}  // namespace vo_tools_test
