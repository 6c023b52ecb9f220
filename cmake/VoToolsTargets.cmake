# How this project's own targets are built. Everything here is a target
# property: nothing applies to a directory, so a parent project that adds
# vo_tools2 with add_subdirectory, and GoogleTest built from source in the
# cross builds, keep their own flags.

# vo_tools_target_defaults(TARGET [LIBRARY])
# The warnings every target of the project is built with; LIBRARY marks a
# piece of the shared library, which also hides its symbols and is
# position-independent.
function(vo_tools_target_defaults target)
  cmake_parse_arguments(ARG "LIBRARY" "" "" ${ARGN})
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${VO_TOOLS_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${VO_TOOLS_WERROR}>:-Werror>)
  endif()
  if(VO_TOOLS_THREAD_SAFETY)
    target_compile_options(${target} PRIVATE -Wthread-safety)
  endif()
  if(ARG_LIBRARY)
    set_target_properties(${target} PROPERTIES
      CXX_VISIBILITY_PRESET hidden
      POSITION_INDEPENDENT_CODE ON)
  endif()
endfunction()

# vo_tools_service(NAME SOURCES ... [DEPENDS ...] [SHARES_HEADERS])
# One service of the library, the object library vo_tools2_NAME. Its private
# headers sit beside its sources and are included by bare name; it sees the
# public headers and, of the rest of the project, only what DEPENDS lists
# (the module, the platform layer, a closed component's interface).
# SHARES_HEADERS: the service offers headers to others under its include/
# folder; since those include what DEPENDS gives, whoever links the service
# sees that too.
function(vo_tools_service name)
  cmake_parse_arguments(ARG "SHARES_HEADERS" "" "SOURCES;DEPENDS" ${ARGN})
  set(target vo_tools2_${name})
  add_library(${target} OBJECT ${ARG_SOURCES})
  vo_tools_target_defaults(${target} LIBRARY)
  target_compile_definitions(${target} PRIVATE VO_TOOLS_BUILDING)
  target_link_libraries(${target} PRIVATE vo_tools2_public_headers)
  if(ARG_SHARES_HEADERS)
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  else()
    target_link_libraries(${target} PRIVATE ${ARG_DEPENDS})
  endif()
  # Calls inside the library bind to its own definitions, so the compiler may
  # inline them instead of going through the PLT.
  target_compile_options(${target} PRIVATE
    $<$<CXX_COMPILER_ID:GNU>:-fno-semantic-interposition>)
endfunction()
