// The quoted-printable codec's core: length-reporting conversions over a
// buffer of known length, shared by the library (which wraps them in result
// blocks) and the vo-tools program (which needs the decoded length to write
// zero bytes out). Built as a small static library; inside libvo_tools2 its
// names stay hidden.
//
// Every function reads in[0, n) and nothing else: callers that start from a
// zero-terminated string take strlen once. Any byte value may occur in the
// input, zero included. Nothing allocates, nothing throws, and nothing keeps
// state beyond the choice of instruction set; any thread may call.
//
// The instruction set is chosen once, while the program or library that
// holds the codec loads (a static initialiser in qp_codec.cc): the fastest
// one this processor runs, by the order of qp_isa.h. A call made before
// that, from another file's static constructor, runs the portable code,
// which is slower and gives the same results.
#ifndef VO_TOOLS_TEXT_QP_CODEC_H_
#define VO_TOOLS_TEXT_QP_CODEC_H_

#include <cstddef>

namespace vo_tools::qp {

// What EncodedLength returns when the length of the encoding, with the zero
// that ends its result block, does not fit in a size_t.
constexpr std::size_t kLengthOverflow = static_cast<std::size_t>(-1);

// n + 2 * escapes, the length of an encoding, or kLengthOverflow when that
// or its block with the terminating zero cannot be represented.
constexpr std::size_t EncodedLengthFor(std::size_t n, std::size_t escapes) {
  // It fits while 2 * escapes < room, that is while escapes < room / 2
  // rounded up.
  const std::size_t room = kLengthOverflow - n;
  return escapes >= room / 2 + room % 2 ? kLengthOverflow : n + 2 * escapes;
}

// The length of the encoding of in[0, n), or kLengthOverflow.
std::size_t EncodedLength(const char* in, std::size_t n);

// Writes the encoding of in[0, n) to out, which must hold exactly
// EncodedLength(in, n) bytes (nothing is written past them, no terminator
// either), and returns that length.
std::size_t Encode(const char* in, std::size_t n, char* out);

// How many bytes past the end of its encoding EncodeWithRoom may overwrite.
constexpr std::size_t kEncodeRoom = 128;

// As Encode, into an `out` that holds EncodedLength(in, n) + kEncodeRoom
// bytes, of which those past the encoding are left undefined: the last
// bytes are written as whole blocks, without the masked stores or the copy
// that stopping exactly at the end takes. For encoding into a scratch
// buffer.
std::size_t EncodeWithRoom(const char* in, std::size_t n, char* out);

// The length of the decoding of in[0, n); never more than n.
std::size_t DecodedLength(const char* in, std::size_t n);

// Writes the decoding of in[0, n) to out, which must hold exactly
// DecodedLength(in, n) bytes, and returns that length. An escape cut short
// by the end of the input takes 0 for each missing digit.
std::size_t Decode(const char* in, std::size_t n, char* out);

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_CODEC_H_
