#include "platform/fault_hooks.h"

#include <atomic>
#include <cstdlib>

namespace vo_tools::platform {
namespace {

std::atomic<FileFaultHook> g_fault_hook{nullptr};

}  // namespace

void SetFileFaultHook(FileFaultHook hook) {
  g_fault_hook.store(hook, std::memory_order_release);
}

FileFault InjectedFault(FileOp op) {
  const FileFaultHook hook = g_fault_hook.load(std::memory_order_acquire);
  if (hook == nullptr) return FileFault::kNone;
  const FileFault fault = hook(op);
  if (fault == FileFault::kExit && op != FileOp::kAppend) ExitAsInjected();
  return fault;
}

void ExitAsInjected() {
  std::_Exit(kInjectedExitStatus);
}

}  // namespace vo_tools::platform
