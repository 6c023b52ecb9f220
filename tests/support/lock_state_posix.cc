#include <pthread.h>

#include "lock_state.h"

namespace vo_tools_test {

// pthread_t is an integer on the C libraries this builds with.
std::uint64_t CurrentThreadId() {
  return static_cast<std::uint64_t>(pthread_self());
}

std::string DescribeCriticalSection(const void* /*section*/) {
  return "its owner is kept in the library's own fields, which a test cannot read here";
}

}  // namespace vo_tools_test
