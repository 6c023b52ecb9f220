// The codec's rules and lookup tables. The two rules of the format are
// stated here alone: which bytes need an escape (EscapeFlags), and what each
// character is worth as a hexadecimal digit (DigitValue). Every table is
// computed from them at compile time; the vector instruction sets index the
// tables by vector shuffles, so their shapes follow the instructions
// (16-entry tables for pshufb, 128-entry tables for vpermi2b). Constants
// only: any thread may read.
#ifndef VO_TOOLS_TEXT_QP_TABLES_H_
#define VO_TOOLS_TEXT_QP_TABLES_H_

#include <cstddef>
#include <cstdint>

namespace vo_tools::qp {

constexpr unsigned char kEquals = '=';
constexpr unsigned char kHighBit = 0x80;
constexpr char kHexDigits[] = "0123456789ABCDEF";

// The escape rule: a byte needs an escape when its high bit is set (0x80
// and above) or it is "=". `Bytes` is how a path looks at a block of bytes
// (one byte, a word, a vector): Bytes::HighBits(block) flags each byte whose
// high bit is set, Bytes::EqualBits(block, c) each byte equal to c, both in
// the same places (a bit per byte of a mask, or a byte's own high bit), and
// the result flags each byte that needs an escape. Every path asks this,
// through NeedsEscape for one byte.
template <typename Bytes, typename Block>
constexpr auto EscapeFlags(Block block) {
  return Bytes::HighBits(block) | Bytes::EqualBits(block, kEquals);
}

struct OneByte {
  static constexpr unsigned HighBits(unsigned char b) { return b & kHighBit; }
  static constexpr unsigned EqualBits(unsigned char b, unsigned char c) { return b == c; }
};

constexpr bool NeedsEscape(unsigned char b) {
  return EscapeFlags<OneByte>(b) != 0;
}

// A character's worth as a hexadecimal digit of either case; 0 for any
// other character, which is what a malformed escape takes.
constexpr unsigned char DigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned char>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned char>(c - 'a' + 10);
  return 0;
}

constexpr bool IsHexDigit(unsigned char c) {
  return DigitValue(c) != 0 || c == '0';
}

template <typename T, std::size_t N>
struct Table {
  T at[N];
};

// Per byte value, its encoding padded to 4 bytes: "=" and two upper-case
// digits for bytes that need an escape, the byte itself for the others. An
// encoding can then be written as one 4-byte copy whenever the output has
// room for the padding, which the next encoding overwrites.
constexpr Table<Table<char, 4>, 256> MakeEncodingTable() {
  Table<Table<char, 4>, 256> table{};
  for (int b = 0; b < 256; ++b) {
    if (NeedsEscape(static_cast<unsigned char>(b))) {
      table.at[b].at[0] = '=';
      table.at[b].at[1] = kHexDigits[b >> 4];
      table.at[b].at[2] = kHexDigits[b & 15];
    } else {
      table.at[b].at[0] = static_cast<char>(b);
    }
  }
  return table;
}
inline constexpr auto kEncodings = MakeEncodingTable();

// DigitValue over all 256 byte values, times `scale`: scale 16 gives the
// high half of a decoded byte, scale 1 the low half.
constexpr Table<unsigned char, 256> MakeDigitTable(int scale) {
  Table<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c)
    table.at[c] = static_cast<unsigned char>(DigitValue(static_cast<unsigned char>(c)) * scale);
  return table;
}
inline constexpr auto kDigits = MakeDigitTable(1);
inline constexpr auto kHighDigits = MakeDigitTable(16);

// ---- Tables for 16-byte shuffles (pshufb), indexed by a nibble ----

// A byte is a hexadecimal digit when the class of its high nibble and the
// class of its low nibble share a bit: each high nibble below 8 has a bit of
// its own, and the low-nibble table sets, per low nibble, the bits of the
// high nibbles with which it forms a digit. High nibbles of 8 and above have
// no class (no digit is a high byte).
constexpr Table<unsigned char, 16> MakeHighNibbleClasses() {
  Table<unsigned char, 16> table{};
  for (int high = 0; high < 8; ++high) table.at[high] = static_cast<unsigned char>(1 << high);
  return table;
}
constexpr Table<unsigned char, 16> MakeLowNibbleClasses() {
  Table<unsigned char, 16> table{};
  for (int low = 0; low < 16; ++low) {
    for (int high = 0; high < 8; ++high) {
      if (IsHexDigit(static_cast<unsigned char>(high * 16 + low)))
        table.at[low] = static_cast<unsigned char>(table.at[low] | (1 << high));
    }
  }
  return table;
}
inline constexpr auto kHighNibbleClasses = MakeHighNibbleClasses();
inline constexpr auto kLowNibbleClasses = MakeLowNibbleClasses();

// Per high nibble, what a digit in that column is worth beyond its low
// nibble ("A" is 0x41, worth 10 = 1 + 9). Checked below: within a column
// every digit has the same offset, so value = low nibble + offset[high].
constexpr Table<unsigned char, 16> MakeDigitOffsets() {
  Table<unsigned char, 16> table{};
  for (int high = 0; high < 8; ++high) {
    for (int low = 0; low < 16; ++low) {
      const auto c = static_cast<unsigned char>(high * 16 + low);
      if (IsHexDigit(c)) table.at[high] = static_cast<unsigned char>(DigitValue(c) - low);
    }
  }
  return table;
}
inline constexpr auto kDigitOffsets = MakeDigitOffsets();

constexpr bool NibbleTablesAgreeWithDigitValue() {
  for (int c = 0; c < 256; ++c) {
    const int high = c >> 4;
    const int low = c & 15;
    const bool digit = (kHighNibbleClasses.at[high] & kLowNibbleClasses.at[low]) != 0;
    if (digit != IsHexDigit(static_cast<unsigned char>(c))) return false;
    if (digit && low + kDigitOffsets.at[high] != DigitValue(static_cast<unsigned char>(c)))
      return false;
  }
  return true;
}
static_assert(NibbleTablesAgreeWithDigitValue());

// Left-packing 8 bytes by a keep mask: entry k lists, in order, the
// positions of the set bits of k, then 0x80 (a pshufb zero) for the rest.
constexpr Table<Table<unsigned char, 8>, 256> MakeLeftPackTable() {
  Table<Table<unsigned char, 8>, 256> table{};
  for (int keep = 0; keep < 256; ++keep) {
    int next = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if ((keep >> bit) & 1) table.at[keep].at[next++] = static_cast<unsigned char>(bit);
    }
    while (next < 8) table.at[keep].at[next++] = 0x80;
  }
  return table;
}
inline constexpr auto kLeftPack = MakeLeftPackTable();

// Packing the encodings of 4 bytes, each laid out as 4 bytes (the first
// output character, the high digit, the low digit, a spare), by the 4-bit
// mask of the bytes that need an escape: an escape keeps all three
// characters, any other byte its first one.
constexpr Table<Table<unsigned char, 16>, 16> MakeEncodePackTable() {
  Table<Table<unsigned char, 16>, 16> table{};
  for (int escapes = 0; escapes < 16; ++escapes) {
    int next = 0;
    for (int byte = 0; byte < 4; ++byte) {
      const int characters = (escapes >> byte) & 1 ? 3 : 1;
      for (int k = 0; k < characters; ++k)
        table.at[escapes].at[next++] = static_cast<unsigned char>(4 * byte + k);
    }
    while (next < 16) table.at[escapes].at[next++] = 0x80;
  }
  return table;
}
inline constexpr auto kEncodePack = MakeEncodePackTable();

// ---- Tables for 64-byte permutes and compression (AVX-512 VBMI) ----

// The upper-case digits in each 16-byte lane of a 64-byte vector, for the
// lane-wise shuffle by nibble.
struct HexDigitLanes {
  alignas(64) char at[64];
};

constexpr HexDigitLanes MakeHexDigitLanes() {
  HexDigitLanes lanes{};
  for (int i = 0; i < 64; ++i) lanes.at[i] = kHexDigits[i % 16];
  return lanes;
}
inline constexpr HexDigitLanes kHexDigitLanes = MakeHexDigitLanes();

// A 64-byte block is encoded in three groups of 21 bytes, each laid out as
// three characters a byte (first, high digit, low digit): 63 characters,
// which fit one vector. The block's last byte goes on its own.
constexpr std::size_t kTripleGroups = 3;
constexpr std::size_t kTripleGroupBytes = 21;

// The bits of a group's layout that hold character `k` (0: first, 1: high
// digit, 2: low digit) of each byte: bits k, 3 + k, ..., 60 + k.
constexpr std::uint64_t TripleBits(int k) {
  std::uint64_t bits = 0;
  for (std::size_t byte = 0; byte < kTripleGroupBytes; ++byte)
    bits |= std::uint64_t{1} << (3 * byte + k);
  return bits;
}

// Per group, the permute indexes of its layout: the first index vector
// takes the first character from table 0 (index i) and the high digit from
// table 1 (index 64 + i); the second takes the low digit, at the third
// positions only.
struct TripleLayout {
  alignas(64) unsigned char first_and_high[kTripleGroups][64];
  alignas(64) unsigned char low[kTripleGroups][64];
};

constexpr TripleLayout MakeTripleLayout() {
  TripleLayout layout{};
  for (std::size_t group = 0; group < kTripleGroups; ++group) {
    const std::size_t start = kTripleGroupBytes * group;
    for (std::size_t byte = 0; byte < kTripleGroupBytes; ++byte) {
      const auto source = static_cast<unsigned char>(start + byte);
      layout.first_and_high[group][3 * byte] = source;
      layout.first_and_high[group][3 * byte + 1] = static_cast<unsigned char>(64 + source);
      layout.low[group][3 * byte + 2] = source;
    }
  }
  return layout;
}
inline constexpr TripleLayout kTripleLayout = MakeTripleLayout();

// For a block whose 64 bytes all need an escape: per output vector k of
// the three, the permute indexes that pick each position's digit (the high
// digit of byte i from table 0 at index i, the low one from table 1 at 64 +
// i), and the mask of the positions that hold "=" instead.
struct AllEscapedLayout {
  alignas(64) unsigned char digits[3][64];
  std::uint64_t equals[3];
};

constexpr AllEscapedLayout MakeAllEscapedLayout() {
  AllEscapedLayout layout{};
  for (int k = 0; k < 3; ++k) {
    for (int position = 0; position < 64; ++position) {
      const int character = 64 * k + position;
      const int byte = character / 3;
      switch (character % 3) {
        case 0:
          layout.equals[k] |= std::uint64_t{1} << position;
          break;
        case 1:
          layout.digits[k][position] = static_cast<unsigned char>(byte);
          break;
        case 2:
          layout.digits[k][position] = static_cast<unsigned char>(64 + byte);
          break;
      }
    }
  }
  return layout;
}
inline constexpr AllEscapedLayout kAllEscapedLayout = MakeAllEscapedLayout();

// DigitValue (times 16 for the high half) by the low 7 bits of a byte, as
// the two 64-byte halves that vpermi2b indexes; high bytes are masked off
// before the lookup.
struct DigitLookup {
  alignas(64) unsigned char high[128];
  alignas(64) unsigned char low[128];
};

constexpr DigitLookup MakeDigitLookup() {
  DigitLookup lookup{};
  for (int c = 0; c < 128; ++c) {
    lookup.high[c] = kHighDigits.at[c];
    lookup.low[c] = kDigits.at[c];
  }
  return lookup;
}
inline constexpr DigitLookup kDigitLookup = MakeDigitLookup();

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_TABLES_H_
