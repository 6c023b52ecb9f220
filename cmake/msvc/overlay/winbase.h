// Wine's winbase.h, plus a kernel32 function the vendor's SDK declares and
// Wine's headers do not (kernel32 exports it).
#pragma once
#include_next <winbase.h>

extern "C" __declspec(dllimport) BOOL WINAPI GetProcessHandleCount(HANDLE process, PDWORD count);
