# 32-bit Windows, cross-built with MinGW-w64. Its programs run under Debian's
# 32-bit Wine, itself under qemu-i386 (`.ci/install-deps wine32` fetches it):
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake
set(VO_TOOLS_MINGW_TRIPLE i686-w64-mingw32)
set(VO_TOOLS_MINGW_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine32-run)
