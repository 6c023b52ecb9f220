# Fails when a 32-bit POSIX build of LIBRARY imports a file or time function
# of the C library in its 32-bit form: the library's objects (and the log
# service linked into it) must all be built with the large-file interfaces
# and a 64-bit time_t, or stat and fstat fail with EOVERFLOW on large files
# and inode numbers, and times end in 2038.
# Run as: cmake -DLIBRARY=... [-DNM=...] -P check_large_files.cmake
# (ftell is not listed: its long result is its definition, whatever the
# build's flags.)
if(NOT DEFINED NM)
  find_program(NM nm REQUIRED)
endif()
execute_process(COMMAND ${NM} -D --undefined-only ${LIBRARY}
                OUTPUT_VARIABLE imports RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

set(narrow stat fstat lstat fstatat open openat creat fopen freopen fseeko ftello lseek pread
    pwrite truncate ftruncate readdir scandir mmap statfs fstatfs statvfs fstatvfs fgetpos
    fsetpos tmpfile fcntl getrlimit setrlimit time localtime localtime_r gmtime gmtime_r mktime
    timegm ctime ctime_r difftime clock_gettime gettimeofday nanosleep clock_nanosleep utime
    utimes futimens utimensat pthread_cond_timedwait pthread_mutex_timedlock sem_timedwait)
set(found)
string(REPLACE "\n" ";" lines "${imports}")
foreach(line IN LISTS lines)
  # "         U name@VERSION"
  if(line MATCHES "^ *U ([A-Za-z0-9_]+)(@.*)?$")
    list(FIND narrow "${CMAKE_MATCH_1}" at)
    if(NOT at EQUAL -1)
      list(APPEND found "${CMAKE_MATCH_1}")
    endif()
  endif()
endforeach()
if(found)
  list(JOIN found " " found)
  message(FATAL_ERROR "${LIBRARY} imports 32-bit file or time functions: ${found}")
endif()
message(STATUS "${LIBRARY}: every file and time function it imports is the 64-bit one")
