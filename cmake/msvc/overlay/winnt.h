// Wine's winnt.h, with WCHAR as wchar_t, the vendor's type (Wine's is
// char16_t in C++), and its own definitions of intrinsics that Clang has
// built in under other names: _InterlockedCompareExchange128, and on i386
// the 64-bit and pointer interlocked operations.
#pragma once
#ifndef WINE_UNICODE_NATIVE
#define WINE_UNICODE_NATIVE
#endif
#define _InterlockedCompareExchange128 __wine_InterlockedCompareExchange128
#ifdef _M_IX86
#define _InterlockedAnd64 __wine_InterlockedAnd64
#define _InterlockedCompareExchangePointer __wine_InterlockedCompareExchangePointer
#define _InterlockedDecrement64 __wine_InterlockedDecrement64
#define _InterlockedExchangeAdd64 __wine_InterlockedExchangeAdd64
#define _InterlockedExchangePointer __wine_InterlockedExchangePointer
#define _InterlockedIncrement64 __wine_InterlockedIncrement64
#define _InterlockedOr64 __wine_InterlockedOr64
#define _InterlockedXor64 __wine_InterlockedXor64
#endif
#include_next <winnt.h>
#undef _InterlockedCompareExchange128
#ifdef _M_IX86
#undef _InterlockedAnd64
#undef _InterlockedCompareExchangePointer
#undef _InterlockedDecrement64
#undef _InterlockedExchangeAdd64
#undef _InterlockedExchangePointer
#undef _InterlockedIncrement64
#undef _InterlockedOr64
#undef _InterlockedXor64
#endif
