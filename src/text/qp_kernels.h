// The conversions of one path, as the dispatch in qp_codec.cc calls them.
// Each path lives in a file of its own, compiled for its instruction set;
// only the dispatch may call a path, and only once it has checked that the
// processor runs it. The contracts are those of qp_codec.h, with the
// escapes counted rather than the encoded length.
#ifndef VO_TOOLS_TEXT_QP_KERNELS_H_
#define VO_TOOLS_TEXT_QP_KERNELS_H_

#include <cstddef>

namespace vo_tools::qp {

struct Kernels {
  // The number of bytes of in[0, n) that need an escape.
  std::size_t (*count_escapes)(const char* in, std::size_t n);
  std::size_t (*encode)(const char* in, std::size_t n, char* out);
  std::size_t (*encode_with_room)(const char* in, std::size_t n, char* out);
  std::size_t (*decoded_length)(const char* in, std::size_t n);
  std::size_t (*decode)(const char* in, std::size_t n, char* out);
};

extern const Kernels kPortableKernels;
// Defined only where the build compiles the x86 paths.
extern const Kernels kSse2Kernels;
extern const Kernels kAvx2Kernels;
extern const Kernels kAvx512Kernels;

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_KERNELS_H_
