# 64-bit Windows in Microsoft's C++ ABI (the DLL that callers built with the
# vendor's compiler bind to), tested under 64-bit Wine:
#   .ci/install-deps msvc
#   cmake -S . -B build/win64-msvc -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/clang-msvc-x86_64.cmake
set(VO_TOOLS_MSVC_TRIPLE x86_64-pc-windows-msvc)
set(VO_TOOLS_MSVC_ARCH AMD64)
set(VO_TOOLS_WINE_IMPORT_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
    CACHE PATH "Wine's 64-bit import libraries and DLLs")
include(${CMAKE_CURRENT_LIST_DIR}/clang-msvc-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
