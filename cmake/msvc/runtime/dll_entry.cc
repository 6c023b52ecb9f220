// A DLL's entry point: its static objects are built before DllMain sees
// the attach, and torn down after it has seen the detach (or a failed
// attach).
#include <windows.h>

#include "module_exit.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH && vo_msvc_module_start(true) != 0) return FALSE;
  BOOL result = DllMain(instance, reason, reserved);
  if (reason == DLL_PROCESS_DETACH || (reason == DLL_PROCESS_ATTACH && !result))
    vo_msvc_module_end();
  return result;
}
