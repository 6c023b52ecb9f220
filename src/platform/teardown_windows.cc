#include <atomic>

#include "platform/teardown.h"
#include "platform/teardown_windows.h"

namespace vo_tools::platform {
namespace {

// A program that links the library statically tears it down in exit(),
// before the system ends the other threads.
std::atomic<Teardown> g_teardown{Teardown::kProcessExit};

}  // namespace

void NoteProcessDetach(bool process_exiting) {
  g_teardown.store(process_exiting ? Teardown::kProcessExitThreadsGone : Teardown::kUnload,
                   std::memory_order_release);
}

Teardown CurrentTeardown() {
  return g_teardown.load(std::memory_order_acquire);
}

}  // namespace vo_tools::platform
