// The conversions of one instruction set, as the dispatch in qp_codec.cc calls them.
// Each instruction set's code lives in a file of its own, compiled for it;
// only the dispatch may call that code, and only once it has checked that the
// processor runs it. The contracts are those of qp_codec.h, with the
// escapes counted rather than the encoded length.
#ifndef VO_TOOLS_TEXT_QP_CONVERSIONS_H_
#define VO_TOOLS_TEXT_QP_CONVERSIONS_H_

#include <cstddef>

namespace vo_tools::qp {

struct Conversions {
  // The number of bytes of in[0, n) that need an escape.
  std::size_t (*count_escapes)(const char* in, std::size_t n);
  std::size_t (*encode)(const char* in, std::size_t n, char* out);
  std::size_t (*encode_with_room)(const char* in, std::size_t n, char* out);
  std::size_t (*decoded_length)(const char* in, std::size_t n);
  std::size_t (*decode)(const char* in, std::size_t n, char* out);
};

extern const Conversions kPortableConversions;
// Defined only where the build compiles the x86 instruction sets.
extern const Conversions kSse2Conversions;
extern const Conversions kAvx2Conversions;
extern const Conversions kAvx512Conversions;

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_CONVERSIONS_H_
