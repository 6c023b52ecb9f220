// Wine's stdlib.h, plus what the vendor's header has and it lacks: div and
// ldiv on i386 (Wine's are macros over GCC's way of returning the struct),
// quick_exit, at_quick_exit and _set_abort_behavior; and errno's values, which the vendor's
// <string> takes from here.
#pragma once
#include <errno.h>
#ifdef _M_IX86
#define div __wine_div_unused
#define ldiv __wine_ldiv_unused
#endif
#include_next <stdlib.h>
#ifdef _M_IX86
#undef div
#undef ldiv
#endif

extern "C" {
#ifdef _M_IX86
_ACRTIMP div_t __cdecl div(int, int);
_ACRTIMP ldiv_t __cdecl ldiv(long, long);
#endif
_ACRTIMP __declspec(noreturn) void __cdecl quick_exit(int);
_ACRTIMP unsigned int __cdecl _set_abort_behavior(unsigned int flags, unsigned int mask);
_ACRTIMP int __cdecl _crt_at_quick_exit(void(__cdecl*)(void));
inline int __cdecl at_quick_exit(void(__cdecl* function)(void)) {
  return _crt_at_quick_exit(function);
}
}
