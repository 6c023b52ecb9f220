// Wine's stdio.h, plus the v*scanf functions that the vendor's header
// defines inline over ucrtbase's common entries, and the stream buffer
// query <fstream> uses.
#pragma once
#include_next <stdio.h>

extern "C" {
_ACRTIMP errno_t __cdecl _get_stream_buffer_pointers(FILE* stream, char*** base, char*** next,
                                                     int** count);
inline int __cdecl vfscanf(FILE* file, const char* format, va_list args) {
  return __stdio_common_vfscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, file, format, nullptr, args);
}
inline int __cdecl vscanf(const char* format, va_list args) {
  return vfscanf(stdin, format, args);
}
inline int __cdecl vsscanf(const char* text, const char* format, va_list args) {
  return __stdio_common_vsscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, text, size_t(-1), format,
                                nullptr, args);
}
}
