// Every compiler built-in the codec calls, in this file alone, in each
// compiler's own terms: GCC's builtins, or the vendor compiler's intrinsics
// where _MSC_VER is defined (Clang in its Microsoft mode too). What the
// processor runs (cpuid), counting and depositing bits, and an optimisation
// barrier. Internal linkage on purpose, as in qp_bytes.h: each instruction
// set's code file is compiled with its own flags, and a bit count compiled
// there may use an instruction (POPCNT) that another file's processor lacks.
#ifndef VO_TOOLS_TEXT_QP_BUILTINS_H_
#define VO_TOOLS_TEXT_QP_BUILTINS_H_

#include <cstdint>

#if defined(_MSC_VER)
#include <intrin.h>
#endif
#if defined(__BMI2__)
#include <immintrin.h>
#endif

namespace vo_tools::qp {
namespace {  // NOLINT: one copy per instruction set, see above

// The vendor's __popcnt is the POPCNT instruction itself, so a file compiled
// without it counts by halves.
inline int CountBits(std::uint64_t bits) {
#if defined(_MSC_VER) && (defined(__POPCNT__) || defined(__AVX2__)) && defined(_M_X64)
  return static_cast<int>(__popcnt64(bits));
#elif defined(_MSC_VER) && (defined(__POPCNT__) || defined(__AVX2__))
  return static_cast<int>(__popcnt(static_cast<unsigned>(bits)) +
                          __popcnt(static_cast<unsigned>(bits >> 32)));
#elif defined(_MSC_VER)
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<int>((bits * 0x0101010101010101u) >> 56);
#else
  return __builtin_popcountll(bits);
#endif
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
#if defined(__x86_64__) || defined(_M_X64)
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

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
// The instruction sets a path needs, the vector ones only where the
// operating system also saves their registers across switches.
struct CpuFeatures {
  bool popcnt, bmi, bmi2, avx2, avx512f, avx512bw, avx512vbmi, avx512vbmi2;
};

inline CpuFeatures DetectCpuFeatures() {
#if defined(_MSC_VER)
  int regs[4];
  __cpuid(regs, 0);
  const int max_leaf = regs[0];
  __cpuid(regs, 1);
  const unsigned ecx1 = static_cast<unsigned>(regs[2]);
  // XSAVE enabled by the system (bit 27), then its saved state: SSE and AVX
  // (0x6); for AVX-512 also the mask and upper ZMM registers (0xe0).
  const std::uint64_t saved = (ecx1 >> 27 & 1) ? _xgetbv(0) : 0;
  const bool avx_saved = (ecx1 >> 28 & 1) && (saved & 0x6) == 0x6;
  const bool avx512_saved = avx_saved && (saved & 0xe6) == 0xe6;
  unsigned ebx7 = 0, ecx7 = 0;
  if (max_leaf >= 7) {
    __cpuidex(regs, 7, 0);
    ebx7 = static_cast<unsigned>(regs[1]);
    ecx7 = static_cast<unsigned>(regs[2]);
  }
  return {(ecx1 >> 23 & 1) != 0,
          (ebx7 >> 3 & 1) != 0,
          (ebx7 >> 8 & 1) != 0,
          avx_saved && (ebx7 >> 5 & 1),
          avx512_saved && (ebx7 >> 16 & 1),
          avx512_saved && (ebx7 >> 30 & 1),
          avx512_saved && (ecx7 >> 1 & 1),
          avx512_saved && (ecx7 >> 6 & 1)};
#else
  __builtin_cpu_init();
  return {__builtin_cpu_supports("popcnt") != 0,     __builtin_cpu_supports("bmi") != 0,
          __builtin_cpu_supports("bmi2") != 0,       __builtin_cpu_supports("avx2") != 0,
          __builtin_cpu_supports("avx512f") != 0,    __builtin_cpu_supports("avx512bw") != 0,
          __builtin_cpu_supports("avx512vbmi") != 0, __builtin_cpu_supports("avx512vbmi2") != 0};
#endif
}

// The code for AVX2 also counts with POPCNT and BMI1; that for AVX-512 needs
// its byte permutes (VBMI) and compression (VBMI2), and BMI2's deposit.
inline bool ProcessorRunsAvx2() {
  const CpuFeatures cpu = DetectCpuFeatures();
  return cpu.avx2 && cpu.popcnt && cpu.bmi;
}

inline bool ProcessorRunsAvx512() {
  const CpuFeatures cpu = DetectCpuFeatures();
  return ProcessorRunsAvx2() && cpu.avx512f && cpu.avx512bw && cpu.avx512vbmi && cpu.avx512vbmi2 &&
         cpu.bmi2;
}
#endif  // x86

}  // namespace
}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_BUILTINS_H_
