# 32-bit Windows in Microsoft's C++ ABI (the DLL that callers built with the
# vendor's compiler bind to); its suite program runs under emulated 32-bit
# Wine (see wine32-run):
#   .ci/install-deps msvc
#   cmake -S . -B build/win32-msvc -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/clang-msvc-i686.cmake
set(VO_TOOLS_MSVC_TRIPLE i686-pc-windows-msvc)
set(VO_TOOLS_MSVC_ARCH x86)
if(DEFINED ENV{VO_TOOLS_WINE32_ROOT})
  set(wine32_root $ENV{VO_TOOLS_WINE32_ROOT})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(wine32_root $ENV{XDG_CACHE_HOME}/vo_tools2/wine32)
else()
  set(wine32_root $ENV{HOME}/.cache/vo_tools2/wine32)
endif()
set(VO_TOOLS_WINE_IMPORT_DIR ${wine32_root}/usr/lib/i386-linux-gnu/wine/i386-windows
    CACHE PATH "Wine's 32-bit import libraries and DLLs")
include(${CMAKE_CURRENT_LIST_DIR}/clang-msvc-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine32-run)
