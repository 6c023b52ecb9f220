// The codec's dispatch: which paths this build compiled, which of them the
// processor runs, and the one a call takes.
#include "text/qp_codec.h"

#include "qp_kernels.h"

namespace vo_tools::qp {
namespace {

constexpr std::size_t kPathCount = sizeof kAllPaths / sizeof kAllPaths[0];

std::size_t IndexOf(Path path) {
  return static_cast<std::size_t>(path);
}

#if VO_QP_X86_PATHS

// The compiler's runtime asks cpuid and, for the vector registers, whether
// the operating system saves them across switches.
bool ProcessorRuns(Path path) {
  __builtin_cpu_init();
  const bool popcnt_bmi = __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi");
  switch (path) {
    case Path::kPortable:
      return true;
    case Path::kSse2:
      return __builtin_cpu_supports("sse2");
    case Path::kAvx2:
      return __builtin_cpu_supports("avx2") && popcnt_bmi;
    case Path::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
             __builtin_cpu_supports("bmi2") && popcnt_bmi;
  }
  return false;
}

const Kernels* CompiledKernels(Path path) {
  switch (path) {
    case Path::kPortable:
      return &kPortableKernels;
    case Path::kSse2:
      return &kSse2Kernels;
    case Path::kAvx2:
      return &kAvx2Kernels;
    case Path::kAvx512:
      return &kAvx512Kernels;
  }
  return nullptr;
}

#else  // only the portable path is compiled

bool ProcessorRuns(Path path) {
  return path == Path::kPortable;
}

const Kernels* CompiledKernels(Path path) {
  return path == Path::kPortable ? &kPortableKernels : nullptr;
}

#endif

// Per path, its kernels where this processor runs them, else null.
struct AvailablePaths {
  AvailablePaths() {
    for (Path path : kAllPaths) {
      if (ProcessorRuns(path)) kernels[IndexOf(path)] = CompiledKernels(path);
    }
    for (Path path : kAllPaths) {
      if (kernels[IndexOf(path)] != nullptr) fastest = path;
    }
  }
  const Kernels* kernels[kPathCount] = {};
  Path fastest = Path::kPortable;
};

// Found while the program or library loads, so that a call pays a load and
// no guard. Before that (a constructor of another file calling the codec)
// it is still zero-filled: every path then runs as the portable one, which
// is slower but gives the same results.
const AvailablePaths kAvailable;

const AvailablePaths& Available() {
  return kAvailable;
}

// An unavailable path runs as the portable one.
const Kernels& KernelsFor(Path path) {
  const Kernels* kernels = Available().kernels[IndexOf(path)];
  return kernels != nullptr ? *kernels : kPortableKernels;
}

}  // namespace

const char* PathName(Path path) {
  switch (path) {
    case Path::kPortable:
      return "portable";
    case Path::kSse2:
      return "sse2";
    case Path::kAvx2:
      return "avx2";
    case Path::kAvx512:
      return "avx512";
  }
  return "?";
}

bool PathAvailable(Path path) {
  return Available().kernels[IndexOf(path)] != nullptr;
}

Path FastestPath() {
  return Available().fastest;
}

std::size_t CountEscapes(const char* in, std::size_t n, Path path) {
  return KernelsFor(path).count_escapes(in, n);
}

std::size_t EncodedLength(const char* in, std::size_t n, Path path) {
  return EncodedLengthFor(n, CountEscapes(in, n, path));
}

std::size_t Encode(const char* in, std::size_t n, char* out, Path path) {
  return KernelsFor(path).encode(in, n, out);
}

std::size_t EncodeWithRoom(const char* in, std::size_t n, char* out, Path path) {
  return KernelsFor(path).encode_with_room(in, n, out);
}

std::size_t DecodedLength(const char* in, std::size_t n, Path path) {
  return KernelsFor(path).decoded_length(in, n);
}

std::size_t Decode(const char* in, std::size_t n, char* out, Path path) {
  return KernelsFor(path).decode(in, n, out);
}

}  // namespace vo_tools::qp
