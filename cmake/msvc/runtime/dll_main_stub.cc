// The DllMain of a DLL that defines none (the linker takes this one only
// then): every reason succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
