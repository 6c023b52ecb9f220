// The codec's dispatch: which instruction sets this build compiled, which of them the
// processor runs, and the one a call takes.
#include "text/qp_codec.h"

#include "qp_conversions.h"
#include "qp_cpu.h"

namespace vo_tools::qp {
namespace {

constexpr std::size_t kIsaCount = sizeof kAllIsas / sizeof kAllIsas[0];

std::size_t IndexOf(Isa isa) {
  return static_cast<std::size_t>(isa);
}

#if VO_QP_X86_PATHS

bool ProcessorRuns(Isa isa) {
  const CpuFeatures cpu = DetectCpuFeatures();
  const bool popcnt_bmi = cpu.popcnt && cpu.bmi;
  switch (isa) {
    case Isa::kPortable:
      return true;
    case Isa::kSse2:
      return cpu.sse2;
    case Isa::kAvx2:
      return cpu.avx2 && popcnt_bmi;
    case Isa::kAvx512:
      return cpu.avx512f && cpu.avx512bw && cpu.avx512vbmi && cpu.avx512vbmi2 && cpu.bmi2 &&
             popcnt_bmi;
  }
  return false;
}

const Conversions* CompiledConversions(Isa isa) {
  switch (isa) {
    case Isa::kPortable:
      return &kPortableConversions;
    case Isa::kSse2:
      return &kSse2Conversions;
    case Isa::kAvx2:
      return &kAvx2Conversions;
    case Isa::kAvx512:
      return &kAvx512Conversions;
  }
  return nullptr;
}

#else  // only the portable code is compiled

bool ProcessorRuns(Isa isa) {
  return isa == Isa::kPortable;
}

const Conversions* CompiledConversions(Isa isa) {
  return isa == Isa::kPortable ? &kPortableConversions : nullptr;
}

#endif

// Per instruction set, its conversions where this processor runs them, else null.
struct AvailableIsas {
  AvailableIsas() {
    for (Isa isa : kAllIsas) {
      if (ProcessorRuns(isa)) conversions[IndexOf(isa)] = CompiledConversions(isa);
    }
    for (Isa isa : kAllIsas) {
      if (conversions[IndexOf(isa)] != nullptr) fastest = isa;
    }
  }
  const Conversions* conversions[kIsaCount] = {};
  Isa fastest = Isa::kPortable;
};

// Found while the program or library loads, so that a call pays a load and
// no guard. Before that (a constructor of another file calling the codec)
// it is still zero-filled: every instruction set then runs as the portable one, which
// is slower but gives the same results.
const AvailableIsas kAvailable;

const AvailableIsas& Available() {
  return kAvailable;
}

// An unavailable instruction set runs as the portable one.
const Conversions& ConversionsFor(Isa isa) {
  const Conversions* conversions = Available().conversions[IndexOf(isa)];
  return conversions != nullptr ? *conversions : kPortableConversions;
}

}  // namespace

const char* IsaName(Isa isa) {
  switch (isa) {
    case Isa::kPortable:
      return "portable";
    case Isa::kSse2:
      return "sse2";
    case Isa::kAvx2:
      return "avx2";
    case Isa::kAvx512:
      return "avx512";
  }
  return "?";
}

bool IsaAvailable(Isa isa) {
  return Available().conversions[IndexOf(isa)] != nullptr;
}

Isa FastestIsa() {
  return Available().fastest;
}

std::size_t CountEscapes(const char* in, std::size_t n, Isa isa) {
  return ConversionsFor(isa).count_escapes(in, n);
}

std::size_t EncodedLength(const char* in, std::size_t n, Isa isa) {
  return EncodedLengthFor(n, CountEscapes(in, n, isa));
}

std::size_t Encode(const char* in, std::size_t n, char* out, Isa isa) {
  return ConversionsFor(isa).encode(in, n, out);
}

std::size_t EncodeWithRoom(const char* in, std::size_t n, char* out, Isa isa) {
  return ConversionsFor(isa).encode_with_room(in, n, out);
}

std::size_t DecodedLength(const char* in, std::size_t n, Isa isa) {
  return ConversionsFor(isa).decoded_length(in, n);
}

std::size_t Decode(const char* in, std::size_t n, char* out, Isa isa) {
  return ConversionsFor(isa).decode(in, n, out);
}

}  // namespace vo_tools::qp
