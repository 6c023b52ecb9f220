# Runs the vo-demo program as a user would and checks its exit status and
# what it leaves behind. Called by CTest:
#   cmake -DDEMO=<vo-demo> -DSCRATCH=<dir> -DMODE=run|help|bad [-DEMULATOR=<runner>]
#         -P run_vo_demo.cmake
# EMULATOR runs a cross-built vo-demo (Wine for Windows).
#   run   a whole run with --log-dir into a fresh SCRATCH/logs: status 0, the
#         account ends with both log files, and both exist and hold lines
#   help  --help: status 0 and the usage on standard output
#   bad   an unknown option: status 2, a message naming it on standard error,
#         nothing on standard output
foreach(var DEMO SCRATCH MODE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_vo_demo.cmake: ${var} is not set")
  endif()
endforeach()

function(fail expected)
  message(FATAL_ERROR "vo-demo ${MODE}: expected ${expected}\n"
                      "status: ${status}\nstdout:\n${out}\nstderr:\n${err}")
endfunction()

# Fails unless `text` holds `part`.
function(expect_in text part expected)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    fail("${expected}")
  endif()
endfunction()

function(run_demo)
  execute_process(COMMAND ${EMULATOR} "${DEMO}" ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(status "${status}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "run")
  set(logs "${SCRATCH}/logs")
  file(REMOVE_RECURSE "${SCRATCH}")
  run_demo(--log-dir "${logs}" --suffix _ctest)
  if(NOT status STREQUAL "0")
    fail("exit status 0")
  endif()
  if(NOT err STREQUAL "")
    fail("nothing on standard error")
  endif()
  foreach(name SysmetLog.txt SysmetLogBrief.txt)
    if(NOT EXISTS "${logs}/${name}")
      fail("${logs}/${name} to exist")
    endif()
    file(SIZE "${logs}/${name}" size)
    if(size EQUAL 0)
      fail("${name} to hold lines")
    endif()
  endforeach()
  expect_in("${out}" "checks passed." "the account to report that every check passed")
  expect_in("${out}" "VoProxyReceiveResponses_ctest" "the service names for the suffix given")
  string(REGEX MATCH "Logs: [^\n]*SysmetLog\\.txt\n +[^\n]*SysmetLogBrief\\.txt\n$" where "${out}")
  if(where STREQUAL "")
    fail("the account to end with where the logs are")
  endif()
elseif(MODE STREQUAL "help")
  run_demo(--help)
  if(NOT status STREQUAL "0")
    fail("exit status 0")
  endif()
  string(FIND "${out}" "usage: vo-demo" usage_at)
  if(NOT usage_at EQUAL 0)
    fail("the usage on standard output")
  endif()
  if(NOT err STREQUAL "")
    fail("nothing on standard error")
  endif()
elseif(MODE STREQUAL "bad")
  run_demo(--no-such-option)
  if(NOT status STREQUAL "2")
    fail("exit status 2")
  endif()
  expect_in("${err}" "unknown option '--no-such-option'" "a message naming the option")
  if(NOT out STREQUAL "")
    fail("nothing on standard output")
  endif()
else()
  message(FATAL_ERROR "run_vo_demo.cmake: unknown MODE ${MODE}")
endif()
