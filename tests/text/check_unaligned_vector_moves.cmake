# Fails when the disassembly of LIBRARY (a static library of the codec)
# holds an aligned move of a 32- or 64-byte vector register. 64-bit Windows
# keeps its stack only 16-byte aligned and GCC does not realign it for the
# vectors it spills there, so such a move on a spilled vector faults; the
# codec's vector paths are assembled to use unaligned moves only.
# Run as: cmake -DLIBRARY=... -DOBJDUMP=... -P check_unaligned_vector_moves.cmake
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY}
                OUTPUT_VARIABLE disassembly RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*(vmovdqa|vmovdqa32|vmovdqa64|vmovaps|vmovapd)[ \t][^\n]*%[yz]mm[^\n]*"
       aligned "${disassembly}")
list(LENGTH aligned count)
if(count GREATER 0)
  list(GET aligned 0 first)
  message(FATAL_ERROR "${count} aligned 32/64-byte vector moves, such as:\n${first}")
endif()
string(REGEX MATCHALL "%zmm" wide "${disassembly}")
list(LENGTH wide wide_count)
if(wide_count EQUAL 0)
  message(FATAL_ERROR "no 64-byte vector code in ${LIBRARY}: the check would prove nothing")
endif()
message(STATUS "no aligned 32/64-byte vector moves in ${LIBRARY}")
