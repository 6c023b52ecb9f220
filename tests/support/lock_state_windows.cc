#include <windows.h>

#include <sstream>

#include "lock_state.h"

namespace vo_tools_test {

std::uint64_t CurrentThreadId() {
  return GetCurrentThreadId();
}

std::string DescribeCriticalSection(const void* section) {
  const auto* critical = static_cast<const CRITICAL_SECTION*>(section);
  std::ostringstream text;
  text << "owner thread " << reinterpret_cast<std::uintptr_t>(critical->OwningThread)
       << ", recursion count " << critical->RecursionCount << ", lock count "
       << critical->LockCount;
  return text.str();
}

}  // namespace vo_tools_test
