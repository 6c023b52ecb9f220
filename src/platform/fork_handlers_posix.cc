#include <pthread.h>

#include "platform/fork_handlers.h"

namespace vo_tools::platform {

void RunAroundFork(void (*before)(), void (*after)()) {
  pthread_atfork(before, after, after);
}

}  // namespace vo_tools::platform
