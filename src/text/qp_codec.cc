// The codec's dispatch: which instruction sets this build compiled, which of
// them the processor runs, and the one the callers' entry points take.
#include "text/qp_codec.h"

#include "qp_builtins.h"
#include "qp_conversions.h"
#include "text/qp_isa.h"

namespace vo_tools::qp {
namespace {

constexpr std::size_t kIsaCount = sizeof kAllIsas / sizeof kAllIsas[0];

std::size_t IndexOf(Isa isa) {
  return static_cast<std::size_t>(isa);
}

// The conversions of `isa` where this build compiled it and the processor
// runs it, else null.
const Conversions* RunnableConversions(Isa isa) {
  switch (isa) {
    case Isa::kPortable:
      return &kPortableConversions;
#if VO_QP_X86_PATHS
    case Isa::kAvx2:
      return ProcessorRunsAvx2() ? &kAvx2Conversions : nullptr;
    case Isa::kAvx512:
      return ProcessorRunsAvx512() ? &kAvx512Conversions : nullptr;
#endif
    default:
      return nullptr;
  }
}

// Per instruction set, its conversions where they can run, else null; and
// the first of kAllIsas that can.
struct AvailableIsas {
  AvailableIsas() {
    for (Isa isa : kAllIsas) conversions[IndexOf(isa)] = RunnableConversions(isa);
    for (Isa isa : kAllIsas) {
      if (conversions[IndexOf(isa)] != nullptr) {
        chosen = isa;
        break;
      }
    }
  }
  const Conversions* conversions[kIsaCount] = {};
  Isa chosen = Isa::kPortable;
};

// Found while the program or library loads, so that a call pays a load and
// no guard. Before that (a constructor of another file calling the codec)
// it is still zero-filled: no instruction set is available and the chosen
// one reads as Isa::kPortable (0), so every call runs the portable code,
// which is slower but gives the same results.
const AvailableIsas kAvailable;

}  // namespace

const char* IsaName(Isa isa) {
  switch (isa) {
    case Isa::kPortable:
      return "portable";
    case Isa::kAvx2:
      return "avx2";
    case Isa::kAvx512:
      return "avx512";
  }
  return "?";
}

bool IsaAvailable(Isa isa) {
  return kAvailable.conversions[IndexOf(isa)] != nullptr;
}

Isa ChosenIsa() {
  return kAvailable.chosen;
}

const Conversions& ConversionsOn(Isa isa) {
  const Conversions* conversions = kAvailable.conversions[IndexOf(isa)];
  return conversions != nullptr ? *conversions : kPortableConversions;
}

const Conversions& ChosenConversions() {
  return ConversionsOn(kAvailable.chosen);
}

std::size_t EncodedLength(const char* in, std::size_t n) {
  return EncodedLengthFor(n, ChosenConversions().count_escapes(in, n));
}

std::size_t Encode(const char* in, std::size_t n, char* out) {
  return ChosenConversions().encode(in, n, out);
}

std::size_t EncodeWithRoom(const char* in, std::size_t n, char* out) {
  return ChosenConversions().encode_with_room(in, n, out);
}

std::size_t DecodedLength(const char* in, std::size_t n) {
  return ChosenConversions().decoded_length(in, n);
}

std::size_t Decode(const char* in, std::size_t n, char* out) {
  return ChosenConversions().decode(in, n, out);
}

}  // namespace vo_tools::qp
