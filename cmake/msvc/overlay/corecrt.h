// Wine's corecrt.h, plus the vendor's multibyte conversion state: an 8-byte
// struct (Wine's mbstate_t is an int), part of std::fpos and of msvcp140's
// signatures.
#pragma once
#include_next <corecrt.h>

typedef struct _Mbstatet {
  unsigned long _Wchar;
  unsigned short _Byte;
  unsigned short _State;
} _Mbstatet;
