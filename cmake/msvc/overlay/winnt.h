// Wine's winnt.h, with WCHAR as wchar_t, the vendor's type (Wine's is
// char16_t in C++), and its own definition of _InterlockedCompareExchange128
// under another name: Clang has that intrinsic built in.
#pragma once
#ifndef WINE_UNICODE_NATIVE
#define WINE_UNICODE_NATIVE
#endif
#define _InterlockedCompareExchange128 __wine_InterlockedCompareExchange128
#include_next <winnt.h>
#undef _InterlockedCompareExchange128
