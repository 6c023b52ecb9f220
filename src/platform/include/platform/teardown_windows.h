// What the DLL's entry point tells platform::CurrentTeardown. The entry point
// runs before the runtime's static teardown on a process detach, and its
// reserved argument is non-null when the process is exiting (the system has
// ended every other thread by then) and null at FreeLibrary.
#ifndef VO_TOOLS_PLATFORM_TEARDOWN_WINDOWS_H_
#define VO_TOOLS_PLATFORM_TEARDOWN_WINDOWS_H_

namespace vo_tools::platform {

void NoteProcessDetach(bool process_exiting);

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_TEARDOWN_WINDOWS_H_
