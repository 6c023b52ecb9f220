#include <pthread.h>

#include "platform/fork_handlers.h"

namespace vo_tools::platform {

void RunAroundFork(void (*before)(), void (*after)()) {
  pthread_atfork(before, after, after);
}

void RunInForkedChild(void (*in_child)()) {
  pthread_atfork(nullptr, nullptr, in_child);
}

}  // namespace vo_tools::platform
