# Fails when one of FILES (the shipped library and programs) carries a test
# seam: a fault hook or the clock a test sets, named anywhere among its
# strings, or a ...ForTesting accessor among the symbols it defines (its
# debugging data may still describe the declaration).
# Run as: cmake "-DFILES=<file>;<file>" [-DNM=<nm>] -P check_shipped.cmake
# Without an nm that reads the files, only the strings are read.
foreach(file IN LISTS FILES)
  file(STRINGS ${file} found REGEX "FileFaultHook|InjectedFault|ExitAsInjected|LookClockForTesting")
  if(NM)
    execute_process(COMMAND ${NM} -C --defined-only ${file} OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${NM} failed on ${file}")
    endif()
    string(REGEX MATCHALL "[^\n]*ForTesting[^\n]*" defined "${symbols}")
    list(APPEND found ${defined})
  else()
    message(STATUS "No nm: the symbols of ${file} are not read")
  endif()
  if(found)
    list(JOIN found "\n  " text)
    message(FATAL_ERROR "${file} carries test seams:\n  ${text}")
  endif()
endforeach()
message(STATUS "No test seam in ${FILES}")
