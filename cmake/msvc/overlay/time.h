// Wine's time.h, plus timespec, timespec_get and localtime_s, which the
// vendor's header defines over ucrtbase's entries. (Wine's time_t is 32 bits
// on i386, the vendor's 64: timespec keeps the vendor's layout.)
#pragma once
#include_next <time.h>

#define TIME_UTC 1
struct timespec {
  __time64_t tv_sec;
  long tv_nsec;
};
extern "C" {
_ACRTIMP int __cdecl _timespec64_get(struct timespec*, int);
inline int __cdecl timespec_get(struct timespec* now, int base) {
  return _timespec64_get(now, base);
}
inline errno_t __cdecl localtime_s(struct tm* out, const time_t* time) {
#ifdef _USE_32BIT_TIME_T
  return _localtime32_s(out, time);
#else
  return _localtime64_s(out, time);
#endif
}
}
