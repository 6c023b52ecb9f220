# Compares the demangled names that LIBRARY exports with the union of the
# lists in EXPECTED_DIR/*.txt (one name a line, # starts a comment).
# Run as: cmake -DLIBRARY=... -DEXPECTED_DIR=... [-DOBJDUMP=...] -P check_exports.cmake
# An ELF shared object is read with nm; a DLL's export table with OBJDUMP.
# A DLL in Microsoft's ABI (READOBJ=llvm-readobj, UNDNAME=llvm-undname) is
# compared by its decorated names with EXPECTED_FILE, each difference shown
# as its signature, and may import only from ALLOWED_IMPORTS.

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

# The decorated names that LIBRARY exports, and the DLLs it imports from.
function(msvc_exports library out imports_out)
  execute_process(COMMAND ${READOBJ} --coff-exports --coff-imports ${library}
                  OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${READOBJ} failed on ${library}")
  endif()
  # "Ordinal: 3\n  Name: ??0KaWakable@@IAE@XZ"; the ordinal base's empty
  # slot has no name.
  string(REGEX MATCHALL "Ordinal: [0-9]+\n  Name: [^\n]+" names "${dump}")
  list(TRANSFORM names REPLACE "^Ordinal: [0-9]+\n  Name: " "")
  string(REGEX MATCHALL "Import {\n  Name: [^\n]+" imports "${dump}")
  list(TRANSFORM imports REPLACE "^Import {\n  Name: " "")
  set(${out} "${names}" PARENT_SCOPE)
  set(${imports_out} "${imports}" PARENT_SCOPE)
endfunction()

# Each name on a line of its own, with its signature below it.
function(with_signatures names out)
  set(text "")
  foreach(name IN LISTS names)
    # llvm-undname echoes the name, then prints its signature.
    execute_process(COMMAND ${UNDNAME} "${name}" OUTPUT_VARIABLE shown)
    string(FIND "${shown}" "\n" end_of_name)
    math(EXPR end_of_name "${end_of_name} + 1")
    string(SUBSTRING "${shown}" ${end_of_name} -1 shown)
    string(STRIP "${shown}" shown)
    string(APPEND text "\n  ${name}\n      ${shown}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(READOBJ)
  msvc_exports(${LIBRARY} actual imports)
  file(STRINGS ${EXPECTED_FILE} expected REGEX "^[^#]")
  set(unexpected ${actual})
  list(REMOVE_ITEM unexpected ${expected})
  set(missing ${expected})
  list(REMOVE_ITEM missing ${actual})
  string(TOLOWER "${imports}" imports)
  string(REPLACE "," ";" allowed "${ALLOWED_IMPORTS}")
  list(REMOVE_ITEM imports ${allowed})
  list(FILTER imports EXCLUDE REGEX "^api-ms-win-crt-")
  if(unexpected OR missing OR imports)
    with_signatures("${unexpected}" unexpected_text)
    with_signatures("${missing}" missing_text)
    message(FATAL_ERROR "Exported symbols differ from ${EXPECTED_FILE}.\n"
            "Exported but not listed:${unexpected_text}\nListed but not exported:${missing_text}\n"
            "Imports from other DLLs: ${imports}")
  endif()
  list(LENGTH actual count)
  message(STATUS "${count} exported names, as listed; imports only from ${ALLOWED_IMPORTS}")
  return()
endif()

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
