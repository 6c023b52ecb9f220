#include "platform/fork_handlers.h"

namespace vo_tools::platform {

// Windows makes new processes from a program, never as a copy of a running
// one: no lock is ever inherited.
void RunAroundFork(void (* /*before*/)(), void (* /*after*/)()) {}
void RunInForkedChild(void (* /*in_child*/)()) {}

}  // namespace vo_tools::platform
