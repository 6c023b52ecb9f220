// In place of Wine's eh.h, which declares these with C++ linkage: the
// vendor's header declares them as C functions (ucrtbase and vcruntime140
// export them under their plain names), plus the two handler queries the
// vendor's <exception> calls.
#pragma once
#define __WINE_EH_H

#include <corecrt.h>

struct _EXCEPTION_POINTERS;

extern "C" {
typedef void(__cdecl* terminate_handler)(void);
typedef void(__cdecl* terminate_function)(void);
typedef void(__cdecl* unexpected_handler)(void);
typedef void(__cdecl* unexpected_function)(void);
typedef void(__cdecl* _se_translator_function)(unsigned int, struct _EXCEPTION_POINTERS*);

_ACRTIMP terminate_handler __cdecl set_terminate(terminate_handler);
_ACRTIMP terminate_handler __cdecl _get_terminate(void);
_ACRTIMP __declspec(noreturn) void __cdecl terminate(void);
__declspec(dllimport) unexpected_handler __cdecl set_unexpected(unexpected_handler);
__declspec(dllimport) unexpected_handler __cdecl _get_unexpected(void);
__declspec(dllimport) __declspec(noreturn) void __cdecl unexpected(void);
__declspec(dllimport) _se_translator_function __cdecl _set_se_translator(_se_translator_function);
}
