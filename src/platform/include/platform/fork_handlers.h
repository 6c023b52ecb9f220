// platform::RunAroundFork: functions the operating system runs around every
// fork of the process, so that a lock some other thread holds at that moment
// is not inherited, held for good, by a child in which that thread does not
// exist. `before` runs in the forking thread before the fork (it takes the
// locks, waiting for their holders); `after` runs after it, both in the
// parent and in the child's only thread (it releases them).
//
// Each registration stays for the life of the process, or of the shared
// library that made it (the C library drops a library's registrations when
// it is unloaded): register once per pair of functions, as the library
// loads. A registration made on first use can land while another thread's
// fork is running its `before` functions, and then misses that fork. Where processes
// cannot fork (Windows) nothing is registered. May be called from any thread;
// nothing is reported.
#ifndef VO_TOOLS_PLATFORM_FORK_HANDLERS_H_
#define VO_TOOLS_PLATFORM_FORK_HANDLERS_H_

namespace vo_tools::platform {

void RunAroundFork(void (*before)(), void (*after)());

// Registers `in_child` to run in a forked child's only thread, after the
// `after` functions; the same rules hold.
void RunInForkedChild(void (*in_child)());

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_FORK_HANDLERS_H_
