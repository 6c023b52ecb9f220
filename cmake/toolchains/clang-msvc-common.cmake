# Shared part of the MSVC-ABI toolchains: Clang in Microsoft's ABI, linked by
# lld-link, against Microsoft's C++ standard library headers, Wine's C
# runtime headers and import libraries, and the build support in cmake/msvc/.
# Set VO_TOOLS_MSVC_TRIPLE and VO_TOOLS_MSVC_ARCH before including it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VO_TOOLS_MSVC_ARCH})

# C only for GoogleTest's project, which enables it.
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${VO_TOOLS_MSVC_TRIPLE})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${VO_TOOLS_MSVC_TRIPLE})
set(CMAKE_RC_COMPILER llvm-rc)
set(CMAKE_AR llvm-ar)
set(CMAKE_RANLIB llvm-ranlib)
find_program(VO_TOOLS_LLD_LINK lld-link REQUIRED)

get_filename_component(source_root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(VO_TOOLS_MSVC_STL_DIR ${source_root}/../shared/third_party/microsoft-stl/stl/inc
    CACHE PATH "The include folder of Microsoft's C++ standard library (stl/inc)")
set(VO_TOOLS_WINE_INCLUDE_DIR /usr/include/wine/wine
    CACHE PATH "Wine's headers (holding msvcrt/ and windows/)")
set(VO_TOOLS_MSVC_SUPPORT_DIR ${source_root}/cmake/msvc)
foreach(folder ${VO_TOOLS_MSVC_STL_DIR} ${VO_TOOLS_WINE_INCLUDE_DIR}/msvcrt
        ${VO_TOOLS_WINE_IMPORT_DIR})
  if(NOT IS_DIRECTORY ${folder})
    message(FATAL_ERROR "${folder} is missing (.ci/install-deps msvc; the standard library "
            "headers: VO_TOOLS_MSVC_STL_DIR)")
  endif()
endforeach()

# The vendor's compiler version the standard library headers check for, its
# Release runtime as DLLs (/MD), and no checked iterators, which changes the
# layout of every container. Wine 8's msvcp140 lacks the vectorised
# algorithms of newer runtimes.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)
execute_process(COMMAND clang++ -print-resource-dir OUTPUT_VARIABLE resource_dir
                OUTPUT_STRIP_TRAILING_WHITESPACE)
string(JOIN " " CMAKE_CXX_FLAGS_INIT
  -fms-compatibility-version=19.34 -D_ITERATOR_DEBUG_LEVEL=0 -D_USE_STD_VECTOR_ALGORITHMS=0
  -nostdlibinc
  -isystem ${resource_dir}/include
  -isystem ${VO_TOOLS_MSVC_STL_DIR}
  -isystem ${VO_TOOLS_MSVC_SUPPORT_DIR}/include
  -isystem ${VO_TOOLS_MSVC_SUPPORT_DIR}/overlay
  -isystem ${VO_TOOLS_WINE_INCLUDE_DIR}/msvcrt
  -isystem ${VO_TOOLS_WINE_INCLUDE_DIR}/windows)
set(CMAKE_RC_FLAGS_INIT "-I${VO_TOOLS_WINE_INCLUDE_DIR}/windows")
# No vendor library is linked by name: the runtime comes from the import
# libraries cmake/msvc/msvc.cmake names. Wine's carry no SafeSEH table.
# Programs start at the runtime part's entry, whatever else defines a main.
set(link_flags "-Xlinker /nodefaultlib -Wno-unused-command-line-argument")
if(VO_TOOLS_MSVC_ARCH STREQUAL "x86")
  string(APPEND link_flags " -Xlinker /safeseh:no")
endif()
set(CMAKE_EXE_LINKER_FLAGS_INIT "${link_flags} -Xlinker /entry:mainCRTStartup")
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${link_flags})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${link_flags})
# A test program links only with the runtime part the project builds, so
# configuration checks compile and do not link; threads are Windows' own.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
foreach(check CMAKE_HAVE_LIBC_PTHREAD CMAKE_HAVE_PTHREADS_CREATE CMAKE_HAVE_PTHREAD_CREATE
      THREADS_HAVE_PTHREAD_ARG)
  set(${check} OFF CACHE INTERNAL "")
endforeach()
set(VO_TOOLS_MSVC_ABI ON)

set(CMAKE_FIND_ROOT_PATH ${VO_TOOLS_WINE_INCLUDE_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
