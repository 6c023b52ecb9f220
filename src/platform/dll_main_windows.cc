// The DLL's entry point. The module's static objects are built before it runs
// on attach and torn down after it returns on detach, by the runtime, in the
// order fixed in module/module_statics.cc. This build has no MFC, so there is
// no extension-module registration to make or end: every reason succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
    case DLL_PROCESS_DETACH:
    case DLL_THREAD_ATTACH:
    case DLL_THREAD_DETACH:
    default:
      return TRUE;
  }
}
