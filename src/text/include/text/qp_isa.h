// The codec on a named instruction set: the seam through which the tests,
// the fuzz target and the benchmark run every one this processor has.
// Callers use qp_codec.h and quoted_printable_results.h, which run the one
// chosen at load; nothing else in the library names an instruction set.
// Constants and pure functions: any thread may call.
#ifndef VO_TOOLS_TEXT_QP_ISA_H_
#define VO_TOOLS_TEXT_QP_ISA_H_

#include <cstddef>

#include "text/quoted_printable_results.h"

namespace vo_tools::qp {

// How the codec scans: byte words in portable C++, or vectors of AVX2, or
// of AVX-512 with its byte permutes and compression (VBMI, VBMI2).
// Every instruction set gives the same results. The portable code is 0, what
// the dispatch reads before it is set up.
enum class Isa { kPortable, kAvx2, kAvx512 };

// Every instruction set, fastest first as the benchmark measures them
// (docs/codec.md): the codec runs the first one here that is available.
// The order is this list's, not the enumeration's.
inline constexpr Isa kAllIsas[] = {Isa::kAvx512, Isa::kAvx2, Isa::kPortable};

// A short lower-case name: "portable", "avx2", "avx512".
const char* IsaName(Isa isa);

// Whether `isa` is compiled in and this processor (and its operating
// system) can run it.
bool IsaAvailable(Isa isa);

// The instruction set the codec runs: the first available one of kAllIsas.
Isa ChosenIsa();

// The core's conversions (qp_codec.h) on one instruction set, with the
// escapes counted rather than the encoded length (see EncodedLengthFor).
struct Conversions {
  std::size_t (*count_escapes)(const char* in, std::size_t n);
  std::size_t (*encode)(const char* in, std::size_t n, char* out);
  std::size_t (*encode_with_room)(const char* in, std::size_t n, char* out);
  std::size_t (*decoded_length)(const char* in, std::size_t n);
  std::size_t (*decode)(const char* in, std::size_t n, char* out);
};

// The conversions on `isa`; an unavailable one runs the portable code.
const Conversions& ConversionsOn(Isa isa);

// The results of quoted_printable_results.h, converted on `isa`.
char* EncodeToResult(const char* text, AllocateFunction allocate, Isa isa);
char* DecodeToResult(const char* encoded, AllocateFunction allocate, Isa isa);

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_ISA_H_
