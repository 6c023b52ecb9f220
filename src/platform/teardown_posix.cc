#include <atomic>

#include "platform/teardown.h"

namespace vo_tools::platform {
namespace {

std::atomic<bool> g_unloading{false};

// dlclose runs a library's destructor functions (.fini_array, last entry
// first) before the C++ teardown, which crtbegin's entry, the array's first,
// runs through __cxa_finalize. At exit the order is the other way round: the
// C++ teardown runs among exit's handlers, the destructor functions only
// after all of them. So this has run by the C++ teardown only at an unload.
__attribute__((destructor)) void NoteUnload() {
  g_unloading.store(true, std::memory_order_release);
}

}  // namespace

Teardown CurrentTeardown() {
  return g_unloading.load(std::memory_order_acquire) ? Teardown::kUnload : Teardown::kProcessExit;
}

}  // namespace vo_tools::platform
