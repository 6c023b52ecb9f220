// Wine's windef.h, without its `#define inline __inline` (for C), which the
// vendor's standard library refuses in C++.
#pragma once
#include_next <windef.h>
#undef inline
