# The MSVC-ABI build's runtime, set up by the top-level CMakeLists.txt when
# the toolchain (cmake/toolchains/clang-msvc-*.cmake) asks for it: every
# program and DLL links, after its own libraries, the static runtime part
# built here, then the import libraries of the vendor's runtime DLLs (Wine's,
# and those made here for what Wine's leave out), then kernel32's.

# An import library for NAMES exported by DLL; ALL takes the DLL's whole
# export table.
function(vo_tools_msvc_import_library dll library)
  set(def ${PROJECT_BINARY_DIR}/msvc/${library}.def)
  set(lib ${PROJECT_BINARY_DIR}/msvc/${library}.lib)
  set(dll_path ${VO_TOOLS_WINE_IMPORT_DIR}/${dll})
  if(ARGN STREQUAL "ALL")
    execute_process(COMMAND llvm-readobj --coff-exports ${dll_path}
                    OUTPUT_VARIABLE exports COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "Name: [^\n]+" names "${exports}")
    list(TRANSFORM names REPLACE "^Name: " "")
  else()
    set(names ${ARGN})
  endif()
  list(JOIN names "\n" names)
  set(content "LIBRARY ${dll}\nEXPORTS\n${names}\n")
  if(EXISTS ${def})
    file(READ ${def} old_content)
  endif()
  if(NOT EXISTS ${lib} OR NOT content STREQUAL old_content)
    file(WRITE ${def} "${content}")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(machine i386)
    else()
      set(machine i386:x86-64)
    endif()
    execute_process(COMMAND llvm-dlltool -m ${machine} -d ${def} -l ${lib}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(${library}_import ${lib} PARENT_SCOPE)
endfunction()
# Wine's libmsvcp140.a leaves out every ?-decorated name.
vo_tools_msvc_import_library(msvcp140.dll msvcp140 ALL)

set(runtime ${CMAKE_CURRENT_LIST_DIR}/runtime)
add_library(vo_tools2_msvc_runtime STATIC
  ${runtime}/runtime.cc ${runtime}/new_delete.cc ${runtime}/new_delete_aligned.cc
  ${runtime}/module_exit.cc ${runtime}/dll_entry.cc ${runtime}/dll_main_stub.cc
  ${runtime}/exe_entry.cc ${runtime}/type_info.cc ${runtime}/filesystem.cc)
set_source_files_properties(${runtime}/type_info.cc PROPERTIES COMPILE_OPTIONS -fno-rtti)
set_target_properties(vo_tools2_msvc_runtime PROPERTIES
  ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/msvc)

# Last on every link line, so that what a module defines itself (its own
# operator new, say) comes first; every target waits for it to be built.
set(CMAKE_CXX_STANDARD_LIBRARIES
    "${PROJECT_BINARY_DIR}/msvc/vo_tools2_msvc_runtime.lib ${msvcp140_import} ${VO_TOOLS_WINE_IMPORT_DIR}/libvcruntime140.a ${VO_TOOLS_WINE_IMPORT_DIR}/libucrtbase.a ${VO_TOOLS_WINE_IMPORT_DIR}/libkernel32.a")
add_library(vo_tools2_msvc_runtime_first INTERFACE)
add_dependencies(vo_tools2_msvc_runtime_first vo_tools2_msvc_runtime)
set_property(TARGET vo_tools2_msvc_runtime_first PROPERTY INTERFACE_LINK_DEPENDS
             ${PROJECT_BINARY_DIR}/msvc/vo_tools2_msvc_runtime.lib)
link_libraries($<BUILD_INTERFACE:vo_tools2_msvc_runtime_first>)

# What the project's programs link by name beyond that (the tests read the
# DLL's version record), under the names the linker looks for.
foreach(name version)
  file(CREATE_LINK ${VO_TOOLS_WINE_IMPORT_DIR}/lib${name}.a ${PROJECT_BINARY_DIR}/msvc/${name}.lib
       COPY_ON_ERROR SYMBOLIC)
endforeach()
link_directories(${PROJECT_BINARY_DIR}/msvc)
