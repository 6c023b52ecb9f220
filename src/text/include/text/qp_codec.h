// The quoted-printable codec's core: length-reporting conversions over a
// buffer of known length, shared by the library (which wraps them in result
// blocks) and the vo-tools program (which needs the decoded length to write
// zero bytes out). Built as a small static library; inside libvo_tools2 its
// names stay hidden.
//
// Every function reads in[0, n) and nothing else: callers that start from a
// zero-terminated string take strlen once. Any byte value may occur in the
// input, zero included. Nothing allocates, nothing throws, and nothing keeps
// state beyond the choice of instruction set, made once; any thread may call.
#ifndef VO_TOOLS_TEXT_QP_CODEC_H_
#define VO_TOOLS_TEXT_QP_CODEC_H_

#include <cstddef>

namespace vo_tools::qp {

// How the codec scans: byte words in portable C++, or vectors of SSE2,
// AVX2, or AVX-512 with its byte permutes and compression (VBMI, VBMI2).
// Every instruction set gives the same results; tests, the fuzz target and the
// benchmark run each one that is available by naming it.
enum class Isa { kPortable, kSse2, kAvx2, kAvx512 };

inline constexpr Isa kAllIsas[] = {Isa::kPortable, Isa::kSse2, Isa::kAvx2, Isa::kAvx512};

// A short lower-case name: "portable", "sse2", "avx2", "avx512".
const char* IsaName(Isa isa);

// Whether `isa` is compiled in and this processor (and its operating
// system) can run it.
bool IsaAvailable(Isa isa);

// The fastest available instruction set, chosen at the first call.
Isa FastestIsa();

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

// The number of bytes of in[0, n) that need an escape.
std::size_t CountEscapes(const char* in, std::size_t n, Isa isa = FastestIsa());

// The length of the encoding of in[0, n), or kLengthOverflow.
std::size_t EncodedLength(const char* in, std::size_t n, Isa isa = FastestIsa());

// Writes the encoding of in[0, n) to out, which must hold exactly
// EncodedLength(in, n) bytes (nothing is written past them, no terminator
// either), and returns that length.
std::size_t Encode(const char* in, std::size_t n, char* out, Isa isa = FastestIsa());

// How many bytes past the end of its encoding EncodeWithRoom may overwrite.
constexpr std::size_t kEncodeRoom = 128;

// As Encode, into an `out` that holds EncodedLength(in, n) + kEncodeRoom
// bytes, of which those past the encoding are left undefined: the last
// bytes are written as whole blocks, without the masked stores or the copy
// that stopping exactly at the end takes. For encoding into a scratch
// buffer.
std::size_t EncodeWithRoom(const char* in, std::size_t n, char* out, Isa isa = FastestIsa());

// The length of the decoding of in[0, n); never more than n.
std::size_t DecodedLength(const char* in, std::size_t n, Isa isa = FastestIsa());

// Writes the decoding of in[0, n) to out, which must hold exactly
// DecodedLength(in, n) bytes, and returns that length. An escape cut short
// by the end of the input takes 0 for each missing digit.
std::size_t Decode(const char* in, std::size_t n, char* out, Isa isa = FastestIsa());

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_CODEC_H_
