// Wine's crtdbg.h, plus the report file and modes of the vendor's header
// (in a Release build, as here, setting them does nothing).
#pragma once
#include_next <crtdbg.h>

typedef void* _HFILE;
#define _CRTDBG_MODE_FILE 0x1
#define _CRTDBG_MODE_DEBUG 0x2
#define _CRTDBG_MODE_WNDW 0x4
#define _CRTDBG_FILE_STDOUT ((_HFILE)-4)
#define _CRTDBG_FILE_STDERR ((_HFILE)-5)
#ifndef _DEBUG
#define _CrtSetReportFile(type, file) ((_HFILE)0)
#endif
