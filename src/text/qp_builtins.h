// Every compiler built-in the codec calls, in this file alone, so that a
// compiler that spells them otherwise changes nothing else: what the
// processor runs (cpuid, as the compiler's runtime asks it), counting and
// depositing bits, and an optimisation barrier. Internal linkage on purpose,
// as in qp_bytes.h: each instruction set's code file is compiled with its
// own flags, and a bit count compiled there may use an instruction (POPCNT)
// that another file's processor lacks.
#ifndef VO_TOOLS_TEXT_QP_BUILTINS_H_
#define VO_TOOLS_TEXT_QP_BUILTINS_H_

#include <cstdint>

#if defined(__BMI2__)
#include <immintrin.h>
#endif

namespace vo_tools::qp {
namespace {  // NOLINT: one copy per instruction set, see above

inline int CountBits(std::uint64_t bits) {
  return __builtin_popcountll(bits);
}

// `bits`, as a value the compiler must take as it is: a barrier to folding
// it into the vector instructions around it (see qp_block_loops.h).
inline std::uint64_t Opaque(std::uint64_t bits) {
  __asm__("" : "+r"(bits));
  return bits;
}

#if defined(__BMI2__)
// Deposits the low bits of `bits` at the set bits of `mask`, lowest first.
// A 32-bit process has the instruction for 32 bits only: the high half
// takes the bits that the low half's mask did not.
inline std::uint64_t Deposit(std::uint64_t bits, std::uint64_t mask) {
#if defined(__x86_64__)
  return _pdep_u64(bits, mask);
#else
  const auto low_mask = static_cast<std::uint32_t>(mask);
  const std::uint32_t low = _pdep_u32(static_cast<std::uint32_t>(bits), low_mask);
  const std::uint32_t high = _pdep_u32(static_cast<std::uint32_t>(bits >> CountBits(low_mask)),
                                       static_cast<std::uint32_t>(mask >> 32));
  return low | static_cast<std::uint64_t>(high) << 32;
#endif
}
#endif

#if VO_QP_X86_PATHS
// What this processor runs, with the operating system's support for the
// vector registers (saved across switches) included. The code for AVX2 also
// counts with POPCNT and BMI1; that for AVX-512 needs its byte permutes
// (VBMI) and compression (VBMI2), and BMI2's deposit.
inline bool ProcessorRunsAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
         __builtin_cpu_supports("bmi");
}

inline bool ProcessorRunsAvx512() {
  return ProcessorRunsAvx2() && __builtin_cpu_supports("avx512f") &&
         __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
         __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
}
#endif

}  // namespace
}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_BUILTINS_H_
