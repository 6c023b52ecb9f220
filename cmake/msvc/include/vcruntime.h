// Stand-in for the compiler-support header vcruntime.h: the macros and
// types that Microsoft's standard library headers expect from it, over Wine's
// corecrt.h (which gives size_t, ptrdiff_t, intptr_t, NULL and _ACRTIMP).
#pragma once
#define _VCRUNTIME_H

#include <sal.h>
#include <vadefs.h>

#include <corecrt.h>

#define _CRT_PACKING 8
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING)) extern "C" {
#define _CRT_END_C_HEADER \
  }                       \
  __pragma(pack(pop))

#ifndef _HAS_CXX17
#define _HAS_CXX17 (_MSVC_LANG > 201402L)
#endif
#ifndef _HAS_CXX20
#define _HAS_CXX20 (_MSVC_LANG > 201703L)
#endif
#ifndef _HAS_CXX23
#define _HAS_CXX23 (_MSVC_LANG > 202002L)
#endif
#ifndef _HAS_EXCEPTIONS
#define _HAS_EXCEPTIONS 1
#endif
#define _CRT_HAS_CXX17 (__cplusplus >= 201703L)
#define _CRT_FUNCTIONS_REQUIRED 1

// What the vendor's runtime DLLs export is imported: vcruntime140 (_VCRTIMP),
// msvcp140 (_CRTIMP2, _MRTIMP2).
#ifdef _DLL
#define _VCRTIMP __declspec(dllimport)
#define _CRTIMP2 __declspec(dllimport)
#define _MRTIMP2 __declspec(dllimport)
#else
#define _VCRTIMP
#define _CRTIMP2
#define _MRTIMP2
#endif
#define _PGLOBAL
#define _CRT_SATELLITE_1 _CRTIMP2
#define _CRT_SATELLITE_2 _CRTIMP2
#define _CRT_SATELLITE_CODECVT_IDS_NOIMPORT

#define __CRTDECL __cdecl
#define __CLRCALL_OR_CDECL __cdecl
#define __CLRCALL_PURE_OR_CDECL __cdecl
#define __CLRCALL_PURE_OR_STDCALL __stdcall
#define __CLR_OR_THIS_CALL

#define _CRT_STRINGIZE_(x) #x
#define _CRT_STRINGIZE(x) _CRT_STRINGIZE_(x)
#define _CRT_WIDE_(s) L##s
#define _CRT_WIDE(s) _CRT_WIDE_(s)
#define _CRT_APPEND_(a, b) a##b
#define _CRT_APPEND(a, b) _CRT_APPEND_(a, b)
#define _CRT_UNPARENTHESIZE_(...) __VA_ARGS__
#define _CRT_UNPARENTHESIZE(...) _CRT_UNPARENTHESIZE_ __VA_ARGS__

#define _CRT_ALIGN(x) __declspec(align(x))
#define _CRT_GUARDOVERFLOW
#define _CRT_HYBRIDPATCHABLE
#define _CRT_JIT_INTRINSIC
#define _CRTALLOCATOR __declspec(allocator)
#define _CRTRESTRICT __declspec(restrict)
#define _VCRT_ALLOCATOR __declspec(allocator)
#define _VCRT_NOALIAS __declspec(noalias)
#define _VCRT_RESTRICT __declspec(restrict)
#define _CRT_DEPRECATE_TEXT(text) __declspec(deprecated(text))
#define _CRT_INSECURE_DEPRECATE(replacement)
#ifdef _WIN64
#define _UNALIGNED __unaligned
#else
#define _UNALIGNED
#endif

// The standard library's run-time checks end here in a Release build.
#ifndef _CRT_SECURE_INVALID_PARAMETER
#define _CRT_SECURE_INVALID_PARAMETER(expr) ::_invalid_parameter_noinfo_noreturn()
#endif
extern "C" _ACRTIMP __declspec(noreturn) void __cdecl _invalid_parameter_noinfo_noreturn(void);

typedef bool __vcrt_bool;

#ifndef _HAS_NODISCARD
#define _HAS_NODISCARD 1
#endif
#if _HAS_NODISCARD
#define _NODISCARD [[nodiscard]]
#else
#define _NODISCARD
#endif
