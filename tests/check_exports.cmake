# Compares the demangled names that LIBRARY exports with the union of the
# lists in EXPECTED_DIR/*.txt (one name a line, # starts a comment).
# Run as: cmake -DLIBRARY=... -DEXPECTED_DIR=... [-DOBJDUMP=...] -P check_exports.cmake
# An ELF shared object is read with nm; a DLL's export table with OBJDUMP.

function(elf_exports library out)
  find_program(NM nm REQUIRED)
  execute_process(COMMAND ${NM} -D --defined-only -C ${library}
                  OUTPUT_VARIABLE nm_output RESULT_VARIABLE nm_result)
  if(NOT nm_result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${library}")
  endif()
  set(names)
  string(REPLACE "\n" ";" nm_lines "${nm_output}")
  foreach(line IN LISTS nm_lines)
    # "<address> <type> <name>"; the name may hold spaces.
    if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
      set(name "${CMAKE_MATCH_1}")
      # The version node the linker adds for the version script, and the
      # indicator AddressSanitizer adds beside each exported variable.
      if(NOT name MATCHES "^VO_TOOLS2" AND NOT name MATCHES "^\\(" AND NOT name MATCHES "^__odr_asan")
        list(APPEND names "${name}")
      endif()
    endif()
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

function(dll_exports library objdump out)
  execute_process(COMMAND ${objdump} -p ${library}
                  OUTPUT_VARIABLE dump RESULT_VARIABLE dump_result)
  if(NOT dump_result EQUAL 0)
    message(FATAL_ERROR "${objdump} failed on ${library}")
  endif()
  # The name table that follows "[Ordinal/Name Pointer] Table", up to the
  # next blank line: "\t[  12] _ZN9KaWakableC1Ev".
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
  if(start LESS 0)
    message(FATAL_ERROR "${library} exports nothing")
  endif()
  string(SUBSTRING "${dump}" ${start} -1 dump)
  string(FIND "${dump}" "\n\n" end)
  string(SUBSTRING "${dump}" 0 ${end} dump)
  string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\r\n]+" entries "${dump}")
  set(mangled "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^\t\\[ *[0-9]+\\] " "" name "${entry}")
    string(APPEND mangled "${name}\n")
  endforeach()
  get_filename_component(scratch ${library} DIRECTORY)
  file(WRITE ${scratch}/exports.mangled "${mangled}")
  find_program(CXXFILT c++filt REQUIRED)
  execute_process(COMMAND ${CXXFILT} INPUT_FILE ${scratch}/exports.mangled
                  OUTPUT_VARIABLE demangled RESULT_VARIABLE filt_result)
  if(NOT filt_result EQUAL 0)
    message(FATAL_ERROR "c++filt failed")
  endif()
  string(STRIP "${demangled}" demangled)
  string(REPLACE "\n" ";" names "${demangled}")
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

if(OBJDUMP)
  dll_exports(${LIBRARY} ${OBJDUMP} actual)
else()
  elf_exports(${LIBRARY} actual)
endif()
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
# A DLL exports each class's typeinfo but not the name string behind it:
# Windows programs compare type names by content, so none needs its address.
if(OBJDUMP)
  list(FILTER expected EXCLUDE REGEX "^typeinfo name for ")
endif()
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
