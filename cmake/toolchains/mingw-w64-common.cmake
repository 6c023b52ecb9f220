# Shared part of the MinGW-w64 cross toolchains; set VO_TOOLS_MINGW_TRIPLE
# (the compilers' prefix) and VO_TOOLS_MINGW_ARCH (the processor CMake
# reports) before including it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VO_TOOLS_MINGW_ARCH})

# The posix thread model: the win32 model of GCC 12 has no std::thread or
# std::mutex, which the host timer service and the tests need.
set(CMAKE_C_COMPILER ${VO_TOOLS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VO_TOOLS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VO_TOOLS_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VO_TOOLS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libstdc++, libgcc, winpthread) is linked as DLLs,
# so that a process holds one copy of it however many of its modules are
# built with this compiler. With a copy in each module, an exception that
# unwinds through another module's frames ends in std::terminate on 32-bit
# Windows (each static libgcc knows only its own module's unwind tables),
# and on both sizes the runtime's count of uncaught exceptions goes wrong
# in the module that catches. The build copies these DLLs beside the
# library, and the install and the release archive ship them in bin/.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-shared-libgcc")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-shared-libgcc")
if(VO_TOOLS_MINGW_ARCH STREQUAL "x86")
  set(VO_TOOLS_RUNTIME_DLL_NAMES libstdc++-6.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
else()
  set(VO_TOOLS_RUNTIME_DLL_NAMES libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
endif()

# Test programs run under 64-bit Wine with a throw-away prefix (the 32-bit
# toolchain replaces this).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
