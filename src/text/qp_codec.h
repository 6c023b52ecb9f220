// The quoted-printable codec's core: length-reporting conversions over a
// buffer of known length, shared by the library (which wraps them in result
// blocks) and the vo-tools program (which needs the decoded length to write
// zero bytes out). Built as a small static library; inside libvo_tools2 its
// names stay hidden.
//
// Every function reads in[0, n) and nothing else: callers that start from a
// zero-terminated string take strlen once. Any byte value may occur in the
// input, zero included. Nothing allocates, nothing throws, and nothing keeps
// state beyond the choice of path, made once; any thread may call.
#ifndef VO_TOOLS_TEXT_QP_CODEC_H_
#define VO_TOOLS_TEXT_QP_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vo_tools::qp {

// How the codec scans: byte words in portable C++, or vectors of SSE2,
// AVX2, or AVX-512 with its byte permutes and compression (VBMI, VBMI2).
// Every path gives the same results; tests, the fuzz target and the
// benchmark run each one that is available by naming it.
enum class Path { kPortable, kSse2, kAvx2, kAvx512 };

inline constexpr Path kAllPaths[] = {Path::kPortable, Path::kSse2, Path::kAvx2, Path::kAvx512};

// A short lower-case name: "portable", "sse2", "avx2", "avx512".
const char* PathName(Path path);

// Whether `path` is compiled in and this processor (and its operating
// system) can run it.
bool PathAvailable(Path path);

// The fastest available path, chosen at the first call.
Path FastestPath();

// The length of an encoding of n bytes of which `escapes` need an escape,
// n + 2 * escapes; nullopt when that is not representable in a size_t,
// which a 32-bit process meets from 1.4 GB of input.
constexpr std::optional<std::size_t> EncodedLengthOf(std::size_t n, std::size_t escapes) {
  if (escapes > (SIZE_MAX - n) / 2) return std::nullopt;
  return n + 2 * escapes;
}

// The number of bytes of in[0, n) that need an escape.
std::size_t CountEscapes(const char* in, std::size_t n, Path path = FastestPath());

// The length of the encoding of in[0, n); nullopt when it is too long for a
// size_t (see EncodedLengthOf).
std::optional<std::size_t> EncodedLength(const char* in, std::size_t n, Path path = FastestPath());

// Writes the encoding of in[0, n) to out, which must hold exactly
// *EncodedLength(in, n) bytes (nothing is written past them, no terminator
// either), and returns that length.
std::size_t Encode(const char* in, std::size_t n, char* out, Path path = FastestPath());

// The length of the decoding of in[0, n); never more than n.
std::size_t DecodedLength(const char* in, std::size_t n, Path path = FastestPath());

// Writes the decoding of in[0, n) to out, which must hold exactly
// DecodedLength(in, n) bytes, and returns that length. An escape cut short
// by the end of the input takes 0 for each missing digit.
std::size_t Decode(const char* in, std::size_t n, char* out, Path path = FastestPath());

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_CODEC_H_
