# 64-bit Windows, cross-built with MinGW-w64:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
set(VO_TOOLS_MINGW_TRIPLE x86_64-w64-mingw32)
set(VO_TOOLS_MINGW_ARCH AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
