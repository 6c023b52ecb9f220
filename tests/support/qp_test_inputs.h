// Inputs for the codec's tests: random texts of a few kinds, built to reach
// every branch of the scanning loops (runs of plain bytes, dense escapes,
// "=" signs inside escapes, escapes cut short by the end).
#ifndef VO_TOOLS_TESTS_SUPPORT_QP_TEST_INPUTS_H_
#define VO_TOOLS_TESTS_SUPPORT_QP_TEST_INPUTS_H_

#include <random>
#include <string>
#include <vector>

namespace qp_test {

enum class Kind {
  kPlain,    // printable ASCII without "="
  kHigh,     // bytes of 0x80 and above only
  kMixed,    // any byte but zero
  kEscapes,  // "=", hexadecimal digits of both cases, non-digits, high bytes
  kSparse,   // mostly plain, an occasional "=" or high byte
};

inline const std::vector<Kind>& AllKinds() {
  static const std::vector<Kind> kinds = {Kind::kPlain, Kind::kHigh, Kind::kMixed, Kind::kEscapes,
                                          Kind::kSparse};
  return kinds;
}

// A text of n bytes of the given kind; never holds a zero byte.
inline std::string RandomText(Kind kind, std::size_t n, std::mt19937& rng) {
  static const std::string kEscapeAlphabet = "===0123456789abcdefABCDEFGz\x80\xff x";
  std::uniform_int_distribution<int> any(1, 255);
  std::uniform_int_distribution<int> printable(0x20, 0x7E);
  std::uniform_int_distribution<int> high(0x80, 0xFF);
  std::uniform_int_distribution<std::size_t> escape_char(0, kEscapeAlphabet.size() - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  std::string text;
  text.reserve(n);
  while (text.size() < n) {
    int b = 0;
    switch (kind) {
      case Kind::kPlain:
        do b = printable(rng);
        while (b == '=');
        break;
      case Kind::kHigh:
        b = high(rng);
        break;
      case Kind::kMixed:
        b = any(rng);
        break;
      case Kind::kEscapes:
        b = static_cast<unsigned char>(kEscapeAlphabet[escape_char(rng)]);
        break;
      case Kind::kSparse:
        b = percent(rng) < 4 ? (percent(rng) < 50 ? '=' : high(rng)) : printable(rng);
        break;
    }
    text.push_back(static_cast<char>(b));
  }
  return text;
}

}  // namespace qp_test

#endif  // VO_TOOLS_TESTS_SUPPORT_QP_TEST_INPUTS_H_
