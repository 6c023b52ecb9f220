// Wine's excpt.h, with GetExceptionCode and its kin naming the compiler's
// own intrinsics, as the vendor's header does.
#pragma once
#ifndef USE_COMPILER_EXCEPTIONS
#define USE_COMPILER_EXCEPTIONS
#endif
#include_next <excpt.h>
