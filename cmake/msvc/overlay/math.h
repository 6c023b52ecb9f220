// Wine's math.h, plus what the vendor's header has and <cmath> takes from
// it: float_t and double_t, the long double functions (long double is
// double here: the vendor's header forwards them the same way), a few
// functions ucrtbase exports that Wine does not declare, and the
// classification macros as C++ overloads.
#pragma once
#include_next <math.h>

#undef fpclassify
#undef signbit
#undef isinf
#undef isnan
#undef isnormal
#undef isfinite

typedef float float_t;
typedef double double_t;

extern "C" {
_ACRTIMP double __cdecl erfc(double);
_ACRTIMP float __cdecl erfcf(float);
_ACRTIMP double __cdecl fma(double, double, double);
_ACRTIMP float __cdecl fmaf(float, float, float);
_ACRTIMP double __cdecl nan(const char*);
_ACRTIMP float __cdecl nanf(const char*);
_ACRTIMP double __cdecl nexttoward(double, long double);
_ACRTIMP float __cdecl nexttowardf(float, long double);
_ACRTIMP short __cdecl _dtest(double*);
_ACRTIMP short __cdecl _fdtest(float*);
_ACRTIMP int __cdecl _dpcomp(double, double);
_ACRTIMP int __cdecl _fdpcomp(float, float);

#define VO_MSVC_LONG_DOUBLE_1(name)                   \
  inline long double __cdecl name##l(long double x) { \
    return name(static_cast<double>(x));              \
  }
#define VO_MSVC_LONG_DOUBLE_2(name)                                  \
  inline long double __cdecl name##l(long double x, long double y) { \
    return name(static_cast<double>(x), static_cast<double>(y));     \
  }
// clang-format off
VO_MSVC_LONG_DOUBLE_1(acos) VO_MSVC_LONG_DOUBLE_1(acosh) VO_MSVC_LONG_DOUBLE_1(asin)
VO_MSVC_LONG_DOUBLE_1(asinh) VO_MSVC_LONG_DOUBLE_1(atan) VO_MSVC_LONG_DOUBLE_1(atanh)
VO_MSVC_LONG_DOUBLE_1(cbrt) VO_MSVC_LONG_DOUBLE_1(ceil) VO_MSVC_LONG_DOUBLE_1(cos)
VO_MSVC_LONG_DOUBLE_1(cosh) VO_MSVC_LONG_DOUBLE_1(erf) VO_MSVC_LONG_DOUBLE_1(erfc)
VO_MSVC_LONG_DOUBLE_1(exp) VO_MSVC_LONG_DOUBLE_1(exp2) VO_MSVC_LONG_DOUBLE_1(expm1)
VO_MSVC_LONG_DOUBLE_1(fabs) VO_MSVC_LONG_DOUBLE_1(floor) VO_MSVC_LONG_DOUBLE_1(lgamma)
VO_MSVC_LONG_DOUBLE_1(log) VO_MSVC_LONG_DOUBLE_1(log10) VO_MSVC_LONG_DOUBLE_1(log1p)
VO_MSVC_LONG_DOUBLE_1(log2) VO_MSVC_LONG_DOUBLE_1(logb) VO_MSVC_LONG_DOUBLE_1(nearbyint)
VO_MSVC_LONG_DOUBLE_1(rint) VO_MSVC_LONG_DOUBLE_1(round) VO_MSVC_LONG_DOUBLE_1(sin)
VO_MSVC_LONG_DOUBLE_1(sinh) VO_MSVC_LONG_DOUBLE_1(sqrt) VO_MSVC_LONG_DOUBLE_1(tan)
VO_MSVC_LONG_DOUBLE_1(tanh) VO_MSVC_LONG_DOUBLE_1(tgamma) VO_MSVC_LONG_DOUBLE_1(trunc)
VO_MSVC_LONG_DOUBLE_2(atan2) VO_MSVC_LONG_DOUBLE_2(copysign) VO_MSVC_LONG_DOUBLE_2(fdim)
VO_MSVC_LONG_DOUBLE_2(fmax) VO_MSVC_LONG_DOUBLE_2(fmin) VO_MSVC_LONG_DOUBLE_2(fmod)
VO_MSVC_LONG_DOUBLE_2(hypot) VO_MSVC_LONG_DOUBLE_2(nextafter) VO_MSVC_LONG_DOUBLE_2(pow)
VO_MSVC_LONG_DOUBLE_2(remainder)
// clang-format on
#undef VO_MSVC_LONG_DOUBLE_1
#undef VO_MSVC_LONG_DOUBLE_2
                                                                    inline long double __cdecl fmal(
                                                                        long double x,
                                                                        long double y,
                                                                        long double z) {
  return fma(static_cast<double>(x), static_cast<double>(y), static_cast<double>(z));
}
inline long double __cdecl frexpl(long double x, int* exponent) {
  return frexp(static_cast<double>(x), exponent);
}
inline long double __cdecl ldexpl(long double x, int exponent) {
  return ldexp(static_cast<double>(x), exponent);
}
inline long double __cdecl modfl(long double x, long double* whole) {
  double part;
  long double fraction = modf(static_cast<double>(x), &part);
  *whole = part;
  return fraction;
}
inline long double __cdecl nanl(const char* tag) {
  return nan(tag);
}
inline long double __cdecl nexttowardl(long double x, long double y) {
  return nextafter(static_cast<double>(x), static_cast<double>(y));
}
inline long double __cdecl remquol(long double x, long double y, int* quotient) {
  return remquo(static_cast<double>(x), static_cast<double>(y), quotient);
}
inline long double __cdecl scalbnl(long double x, int n) {
  return scalbn(static_cast<double>(x), n);
}
inline long double __cdecl scalblnl(long double x, long n) {
  return scalbln(static_cast<double>(x), n);
}
inline int __cdecl ilogbl(long double x) {
  return ilogb(static_cast<double>(x));
}
inline long __cdecl lrintl(long double x) {
  return lrint(static_cast<double>(x));
}
inline long long __cdecl llrintl(long double x) {
  return llrint(static_cast<double>(x));
}
inline long __cdecl lroundl(long double x) {
  return lround(static_cast<double>(x));
}
inline long long __cdecl llroundl(long double x) {
  return llround(static_cast<double>(x));
}
}

extern "C++" {
inline int fpclassify(float x) noexcept {
  return _fdtest(&x);
}
inline int fpclassify(double x) noexcept {
  return _dtest(&x);
}
inline int fpclassify(long double x) noexcept {
  return fpclassify(static_cast<double>(x));
}
inline bool signbit(float x) noexcept {
  return _fdsign(x) != 0;
}
inline bool signbit(double x) noexcept {
  return _dsign(x) != 0;
}
inline bool signbit(long double x) noexcept {
  return _dsign(static_cast<double>(x)) != 0;
}
template <class T>
inline bool isfinite(T x) noexcept {
  return fpclassify(x) <= 0;
}
template <class T>
inline bool isinf(T x) noexcept {
  return fpclassify(x) == FP_INFINITE;
}
template <class T>
inline bool isnan(T x) noexcept {
  return fpclassify(x) == FP_NAN;
}
template <class T>
inline bool isnormal(T x) noexcept {
  return fpclassify(x) == FP_NORMAL;
}
// _dpcomp's bits: 1 less, 2 equal, 4 greater; 0 when unordered.
inline int __vo_fpcompare(float x, float y) noexcept {
  return _fdpcomp(x, y);
}
inline int __vo_fpcompare(double x, double y) noexcept {
  return _dpcomp(x, y);
}
inline int __vo_fpcompare(long double x, long double y) noexcept {
  return _dpcomp(static_cast<double>(x), static_cast<double>(y));
}
template <class T>
inline bool isgreater(T x, T y) noexcept {
  return (__vo_fpcompare(x, y) & 4) != 0;
}
template <class T>
inline bool isgreaterequal(T x, T y) noexcept {
  return (__vo_fpcompare(x, y) & 6) != 0;
}
template <class T>
inline bool isless(T x, T y) noexcept {
  return (__vo_fpcompare(x, y) & 1) != 0;
}
template <class T>
inline bool islessequal(T x, T y) noexcept {
  return (__vo_fpcompare(x, y) & 3) != 0;
}
template <class T>
inline bool islessgreater(T x, T y) noexcept {
  return (__vo_fpcompare(x, y) & 5) != 0;
}
template <class T>
inline bool isunordered(T x, T y) noexcept {
  return __vo_fpcompare(x, y) == 0;
}
}
