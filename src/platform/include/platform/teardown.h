// platform::CurrentTeardown: what the library's static teardown is part of.
//
// The same destructors run when a host unloads the library (dlclose,
// FreeLibrary) and when the process exits, but what they may safely do
// differs: at an unload the process and its host go on, so whatever the
// library still holds must be given back (files, host timers); at an exit
// the host may already be gone, and on Windows the other threads are gone
// too, possibly in the middle of a call that holds a lock.
//
// Meaningful only while the library's static teardown runs; any thread may
// ask. Nothing fails.
#ifndef VO_TOOLS_PLATFORM_TEARDOWN_H_
#define VO_TOOLS_PLATFORM_TEARDOWN_H_

namespace vo_tools::platform {

enum class Teardown {
  kUnload,                  // the library is unloaded while the process goes on
  kProcessExit,             // the process exits; other threads may still be running
  kProcessExitThreadsGone,  // the process exits and every other thread has
                            // already ended, wherever it was
};

Teardown CurrentTeardown();

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_TEARDOWN_H_
