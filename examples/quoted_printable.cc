// The quoted-printable codec: every byte from 0x80 up, and "=" itself,
// becomes "=" and two hexadecimal digits; decoding undoes it. The library
// owns each result until it is handed back.
#include <cstdio>
#include <cstring>

#include <vo_tools/quoted_printable.h>

int main() {
  const char* encoded = QuotablePrinted_Encode("caf\xE9 a=b");  // "caf=E9 a=3Db"
  const char* decoded = QuotablePrinted_Decode(encoded);        // "caf\xE9 a=b"
  const bool held = encoded != nullptr && decoded != nullptr &&
                    std::strcmp(encoded, "caf=E9 a=3Db") == 0 &&
                    std::strcmp(decoded, "caf\xE9 a=b") == 0;
  if (held) std::printf("encoded: %s\n", encoded);
  QuotablePrinted_FreeString(encoded);
  QuotablePrinted_FreeString(decoded);
  return held ? 0 : 1;
}
