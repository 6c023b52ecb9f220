# Fails when a source of the library reaches past what its layer may use.
#   cmake -DROOT=<project source dir> -DLAYERS=<file> -P check_layering.cmake
# LAYERS holds a line per folder: "folder|dir;dir;...", the include
# directories its targets are built with (tests/layering/CMakeLists.txt
# writes it from the targets).
#
# Quoted includes: a file includes its own folder's headers by bare name, and
# of the rest only "prefix/..." where prefix is a folder under one of its
# include directories; a path with ".." never. Angle includes of operating-system
# headers, and tests of the operating system (_WIN32 and the like), belong to
# the platform layer alone.
if(NOT ROOT OR NOT LAYERS)
  message(FATAL_ERROR "check_layering.cmake: ROOT and LAYERS must be set")
endif()

# The prefixes the include directories `dirs` offer: the folders under them.
function(prefixes_under dirs out)
  set(prefixes "")
  foreach(dir IN LISTS dirs)
    file(GLOB children LIST_DIRECTORIES true RELATIVE "${dir}" "${dir}/*")
    foreach(child IN LISTS children)
      if(IS_DIRECTORY "${dir}/${child}")
        list(APPEND prefixes "${child}")
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES prefixes)
  set(${out} "${prefixes}" PARENT_SCOPE)
endfunction()

file(STRINGS "${LAYERS}" layers)
set(os_headers "windows\\.h|winbase\\.h|io\\.h|direct\\.h|process\\.h|unistd\\.h|pthread\\.h|fcntl\\.h|dlfcn\\.h|sys/[a-z_]+\\.h")
set(os_tests "_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_POSIX_VERSION")

set(violations)
foreach(layer IN LISTS layers)
  string(REPLACE "|" ";" fields "${layer}")
  list(GET fields 0 folder)
  list(REMOVE_AT fields 0)
  prefixes_under("${fields}" allowed)
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cc")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name "${ROOT}" "${source}")
    get_filename_component(own_dir "${source}" DIRECTORY)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*(include|if|ifdef|ifndef|elif)")
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header "${CMAKE_MATCH_1}")
        if(header MATCHES "\\.\\.")
          list(APPEND violations "${name}: climbs out of its folder: ${header}")
        elseif(header MATCHES "^([^/]+)/")
          list(FIND allowed "${CMAKE_MATCH_1}" at)
          if(at EQUAL -1)
            list(APPEND violations "${name}: includes ${header}")
          endif()
        elseif(NOT EXISTS "${own_dir}/${header}")
          list(APPEND violations "${name}: ${header} is not a header of its own folder")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<(${os_headers})>" AND NOT folder STREQUAL "src/platform")
        list(APPEND violations "${name}: includes the system header <${CMAKE_MATCH_1}>")
      elseif(line MATCHES "(${os_tests})" AND NOT folder STREQUAL "src/platform")
        list(APPEND violations "${name}: tests the operating system (${CMAKE_MATCH_1})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Layering broken:\n  ${text}")
endif()
message(STATUS "Layering holds")
