// Quoted-printable codec: escapes every byte of 0x80 and above, and the "="
// sign, as "=" and two upper-case hexadecimal digits ("=E9", "=3D"), and
// undoes it. Not MIME's transfer encoding: no line breaks are added, and
// space, tab, CR, LF and the other control characters pass unchanged.
//
// Input: a zero-terminated string; nothing past its terminating zero is read.
// Decoding never rejects text: "=" takes the next two characters whatever
// they are, each worth its hexadecimal value (either case) or 0 if it is not
// a digit, and an escape cut short by the end of the text counts the missing
// characters as 0 ("ab=" decodes to "ab" and a zero byte). A decoded result
// may therefore hold zero bytes; its block holds them and what follows, but
// read as a zero-terminated string it ends at the first.
//
// Ownership: each conversion returns a new block of exactly (result length +
// 1) bytes from the C heap, the result followed by a zero byte. The caller
// owns it and releases it once, only through QuotablePrinted_FreeString.
//
// Threads: no shared state; any thread may call at any time, and a result
// may be released on any thread.
//
// Failures: a null input yields null without reading anything; a result
// block that cannot be allocated yields null. Nothing throws. An empty input
// yields a one-byte block holding the zero byte.
#ifndef VO_TOOLS_QUOTED_PRINTABLE_H_
#define VO_TOOLS_QUOTED_PRINTABLE_H_

#include "vo_tools/export.h"

// The encoding of `text`: bytes of 0x80 and above and "=" become "=XY";
// every other byte is copied.
VO_TOOLS_API const char* QuotablePrinted_Encode(const char* text);

// The bytes that `encoded` stands for: each "=XY" becomes one byte and every
// other byte is copied.
VO_TOOLS_API const char* QuotablePrinted_Decode(const char* encoded);

// Releases a result of either conversion; null is accepted and does nothing.
VO_TOOLS_API void QuotablePrinted_FreeString(const char* result);

#endif  // VO_TOOLS_QUOTED_PRINTABLE_H_
