# 32-bit x86 Linux, built with the host's compilers in -m32 mode (Debian's
# g++-multilib) and run under QEMU's user-mode emulator, so that the whole
# suite runs where `unsigned long` and pointers are 32 bits:
#   cmake -S . -B build/i386 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-i386.cmake
# The large-file interfaces and 64-bit time_t are the project's own choice
# for every 32-bit build (top-level CMakeLists.txt), not this file's.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# Libraries come from the multilib folders, never from the 64-bit ones.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(FIND_LIBRARY_USE_LIB32_PATHS ON)
set_property(GLOBAL PROPERTY FIND_LIBRARY_USE_LIB64_PATHS OFF)
set_property(GLOBAL PROPERTY FIND_LIBRARY_USE_LIB32_PATHS ON)

# The kernel here may refuse 32-bit programs; the emulator runs them in a
# 64-bit process, with no binfmt_misc registration needed. Tests that start a
# program of the build go through it as well. The emulated processor has no
# AVX2: QEMU 7.2 faults on the masked-off lanes of a masked load
# (vpmaskmovd), which real processors never touch, so the codec's AVX2 path
# would crash here at a page boundary while it is sound on hardware (the
# native suites run it).
find_program(VO_TOOLS_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VO_TOOLS_QEMU_I386} -cpu max,-avx2)
