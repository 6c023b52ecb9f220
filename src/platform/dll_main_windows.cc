// The DLL's entry point. The module's static objects are built before it runs
// on attach and torn down after it returns on detach, by the runtime, in the
// order fixed in module/module_statics.cc. This build has no MFC, so there is
// no extension-module registration to make or end: every reason succeeds.
#include <windows.h>

#include "platform/teardown_windows.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) vo_tools::platform::NoteProcessDetach(reserved != nullptr);
  return TRUE;
}
