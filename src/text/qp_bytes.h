// The codec's byte-at-a-time steps: the portable code's, for what its
// words leave, and the AVX-512 code's for the last byte of a block. Internal
// linkage on purpose: each instruction set's code file is compiled with its
// own instruction-set flags, and must keep its own copy.
#ifndef VO_TOOLS_TEXT_QP_BYTES_H_
#define VO_TOOLS_TEXT_QP_BYTES_H_

#include <cstddef>
#include <cstring>

#include "qp_tables.h"

namespace vo_tools::qp {
namespace {  // NOLINT: one copy per instruction set, see above

inline unsigned char Byte(const char* p) {
  return static_cast<unsigned char>(*p);
}

// Writes one input byte's encoding, exactly.
inline char* EncodeByte(unsigned char b, char* out) {
  if (!NeedsEscape(b)) {
    *out = static_cast<char>(b);
    return out + 1;
  }
  std::memcpy(out, kEncodings.at[b].at, 3);
  return out + 3;
}

// Encodes in[0, n) with one 4-byte copy a byte and no branch: the fastest
// way through words dense with escapes. Needs 3 spare bytes of output. The
// step is computed from the byte rather than looked up: the next copy's
// address waits for it, and a load would add its latency to every byte.
inline char* EncodeBytesWide(const char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = Byte(in + i);
    std::memcpy(out, kEncodings.at[b].at, 4);
    out += 1 + 2 * static_cast<std::size_t>(NeedsEscape(b));
  }
  return out;
}

inline char DecodeEscape(unsigned char high, unsigned char low) {
  return static_cast<char>(kHighDigits.at[high] + kDigits.at[low]);
}

// Decodes in[0, n) byte by byte, the end of the input counting as a
// non-digit; returns the end of the output.
inline char* DecodeBytes(const char* in, std::size_t n, char* out) {
  std::size_t i = 0;
  while (i < n) {
    if (Byte(in + i) != kEquals) {
      *out++ = in[i++];
      continue;
    }
    const unsigned char high = i + 1 < n ? Byte(in + i + 1) : 0;
    const unsigned char low = i + 2 < n ? Byte(in + i + 2) : 0;
    *out++ = DecodeEscape(high, low);
    i += 3;
  }
  return out;
}

// Encodes in[0, n) byte by byte, exactly.
inline char* EncodeBytes(const char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) out = EncodeByte(Byte(in + i), out);
  return out;
}

}  // namespace
}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_BYTES_H_
