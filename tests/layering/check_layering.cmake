# Fails when a source of the library reaches past what its layer may use.
#   cmake -DROOT=<project source dir> -P check_layering.cmake
#
# Quoted includes: a file includes its own folder's headers by bare name, the
# public headers as vo_tools/..., and of the rest only the prefixes its layer
# allows below; a path with ".." never. Angle includes of operating-system
# headers, and tests of the operating system (_WIN32 and the like), belong to
# the platform layer alone.
if(NOT ROOT)
  message(FATAL_ERROR "check_layering.cmake: ROOT is not set")
endif()

# Folder, relative to ROOT  ->  the include prefixes it may use besides its own.
set(layers
  "src/platform|platform"
  "src/module|vo_tools,platform,module,quill"
  "src/handles|vo_tools,platform,module"
  "src/wakeup|vo_tools,platform,module"
  "src/log|vo_tools,platform,module,quill"
  "src/text|vo_tools,platform,module,text"
  "quill_log|quill,platform"
  "host|vo_tools,vo_tools_host")
set(os_headers "windows\\.h|winbase\\.h|io\\.h|direct\\.h|process\\.h|unistd\\.h|pthread\\.h|fcntl\\.h|dlfcn\\.h|sys/[a-z_]+\\.h")
set(os_tests "_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_POSIX_VERSION")

set(violations)
foreach(layer IN LISTS layers)
  string(REPLACE "|" ";" fields "${layer}")
  list(GET fields 0 folder)
  list(GET fields 1 allowed)
  string(REPLACE "," ";" allowed "${allowed}")
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
