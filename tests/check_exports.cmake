# Compares the demangled dynamic symbols that LIBRARY defines with the union
# of the lists in EXPECTED_DIR/*.txt (one name a line, # starts a comment).
# Run as: cmake -DLIBRARY=... -DEXPECTED_DIR=... -P check_exports.cmake
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY}
                OUTPUT_VARIABLE nm_output RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()

set(actual)
string(REPLACE "\n" ";" nm_lines "${nm_output}")
foreach(line IN LISTS nm_lines)
  # "<address> <type> <name>"; the name may hold spaces.
  if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
    set(name "${CMAKE_MATCH_1}")
    # The version node the linker adds for the version script, and the
    # indicator AddressSanitizer adds beside each exported variable.
    if(NOT name MATCHES "^VO_TOOLS2" AND NOT name MATCHES "^\\(" AND NOT name MATCHES "^__odr_asan")
      list(APPEND actual "${name}")
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES actual)
list(SORT actual)

set(expected)
file(GLOB lists ${EXPECTED_DIR}/*.txt)
foreach(list_file IN LISTS lists)
  file(STRINGS ${list_file} lines)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(NOT line STREQUAL "" AND NOT line MATCHES "^#")
      list(APPEND expected "${line}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES expected)
list(SORT expected)

set(unexpected ${actual})
list(REMOVE_ITEM unexpected ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${actual})
if(unexpected OR missing)
  list(JOIN unexpected "\n  " unexpected_text)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "Exported symbols differ from the list.\n"
          "Exported but not listed:\n  ${unexpected_text}\n"
          "Listed but not exported:\n  ${missing_text}")
endif()
list(LENGTH actual count)
message(STATUS "${count} exported names, as listed")
