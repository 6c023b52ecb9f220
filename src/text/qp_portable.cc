// The portable code: plain C++, for processors without a vector instruction set here
// and as the fallback the dispatch can always take. Encoding looks at eight
// bytes at a time in a 64-bit word and copies a word without escapes whole;
// decoding finds each "=" with memchr, which the C library vectorises for
// the machine, and copies the runs between them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qp_bytes.h"
#include "qp_conversions.h"
#include "qp_cpu.h"
#include "qp_tables.h"

namespace vo_tools::qp {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;
constexpr std::uint64_t kLowSeven = 0x7F7F7F7F7F7F7F7Fu;
constexpr std::uint64_t kEqualsBytes = 0x3D3D3D3D3D3D3D3Du;

// The high bit of each byte of `word` that needs an escape (exact per byte:
// no carry crosses from one byte into the next).
inline std::uint64_t EscapeBits(std::uint64_t word) {
  const std::uint64_t x = word ^ kEqualsBytes;
  const std::uint64_t nonzero = ((x & kLowSeven) + kLowSeven) | x;
  return (word | ~nonzero) & kHighBits;
}

inline std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

std::size_t CountEscapesPortable(const char* in, std::size_t n) {
  std::size_t escapes = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) escapes += CountBits(EscapeBits(LoadWord(in + i)));
  for (; i < n; ++i) escapes += NeedsEscape(Byte(in + i)) ? 1 : 0;
  return escapes;
}

std::size_t EncodePortable(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  // A word of input left after the block leaves the wide copies room.
  for (; i + 16 <= n; i += 8) {
    if (EscapeBits(LoadWord(in + i)) == 0) {
      std::memcpy(out, in + i, 8);
      out += 8;
    } else {
      out = EncodeBytesWide(in + i, 8, out);
    }
  }
  return static_cast<std::size_t>(EncodeBytes(in + i, n - i, out) - start);
}

std::size_t DecodedLengthPortable(const char* in, std::size_t n) {
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < n) {
    const void* found = std::memchr(in + i, kEquals, n - i);
    if (found == nullptr) return length + (n - i);
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - in);
    length += at - i + 1;
    i = at + 3;
  }
  return length;
}

std::size_t DecodePortable(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  while (i < n) {
    const void* found = std::memchr(in + i, kEquals, n - i);
    const std::size_t at =
        found == nullptr ? n : static_cast<std::size_t>(static_cast<const char*>(found) - in);
    std::memcpy(out, in + i, at - i);
    out += at - i;
    if (at == n) break;
    // The escape may run past the end: the byte-wise decoder knows the rule.
    const std::size_t escape = n - at < 3 ? n - at : 3;
    out = DecodeBytes(in + at, escape, out);
    i = at + 3;
  }
  return static_cast<std::size_t>(out - start);
}

}  // namespace

extern const Conversions kPortableConversions = {
    CountEscapesPortable, EncodePortable, EncodePortable, DecodedLengthPortable, DecodePortable};

}  // namespace vo_tools::qp
