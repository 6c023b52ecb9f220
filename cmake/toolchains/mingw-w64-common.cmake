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

# The DLL and the programs carry their own copy of the compiler's runtime
# (libgcc, libstdc++, winpthread), so they run without MinGW's DLLs beside
# them, on Windows as under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine with a throw-away prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
