// The conversions of each instruction set, as the dispatch in qp_codec.cc
// hands them out. Each instruction set's code lives in a file of its own,
// compiled for it; only the dispatch may reach that code, and only once it
// has checked that the processor runs it. The contracts are those of
// qp_codec.h, with the escapes counted rather than the encoded length.
#ifndef VO_TOOLS_TEXT_QP_CONVERSIONS_H_
#define VO_TOOLS_TEXT_QP_CONVERSIONS_H_

#include "text/qp_isa.h"

namespace vo_tools::qp {

extern const Conversions kPortableConversions;
// Defined only where the build compiles the x86 instruction sets.
extern const Conversions kAvx2Conversions;
extern const Conversions kAvx512Conversions;

// The conversions the codec runs: those of ChosenIsa().
const Conversions& ChosenConversions();

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_CONVERSIONS_H_
