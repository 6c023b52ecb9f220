// The quoted-printable conversions written plainly, one byte at a time into
// a growable working buffer reserved at the output's bound, then copied into
// a zero-filled block: the classic form of the algorithm. The tests and the
// fuzz target check the library against it, and the benchmark measures it
// as the baseline.
#ifndef VO_TOOLS_TESTS_SUPPORT_QP_REFERENCE_H_
#define VO_TOOLS_TESTS_SUPPORT_QP_REFERENCE_H_

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace qp_reference {

inline int DigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

inline std::string Encode(std::string_view in) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(3 * in.size());
  for (char c : in) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x80 || b == '=') {
      out.push_back('=');
      out.push_back(kDigits[b / 16]);
      out.push_back(kDigits[b % 16]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Positions at or past the end count as non-digits.
inline std::string Decode(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  std::size_t i = 0;
  while (i < in.size()) {
    if (in[i] != '=') {
      out.push_back(in[i]);
      ++i;
      continue;
    }
    const int high = i + 1 < in.size() ? DigitValue(static_cast<unsigned char>(in[i + 1])) : 0;
    const int low = i + 2 < in.size() ? DigitValue(static_cast<unsigned char>(in[i + 2])) : 0;
    out.push_back(static_cast<char>(16 * high + low));
    i += 3;
  }
  return out;
}

// The result block: (length + 1) zero-filled bytes from calloc; release
// with free().
inline char* ToResult(const std::string& result) {
  char* block = static_cast<char*>(std::calloc(result.size() + 1, 1));
  if (block != nullptr) std::memcpy(block, result.data(), result.size());
  return block;
}

}  // namespace qp_reference

#endif  // VO_TOOLS_TESTS_SUPPORT_QP_REFERENCE_H_
