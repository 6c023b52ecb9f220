# cmake -DROOT=<source tree> -P check_snippets.cmake
# Every ```cpp block of README.md follows a line "<!-- from examples/X.cc -->"
# and appears, line for line, in that file; only the indentation may differ
# (the README's snippets start at the margin). Fails naming each block that
# does not.
file(READ ${ROOT}/README.md readme)
set(marker_pattern "<!-- from (examples/[A-Za-z0-9_]+\\.cc) -->\n```cpp\n")
set(failures 0)
set(checked 0)

string(REGEX MATCHALL "```cpp\n" blocks "${readme}")
list(LENGTH blocks block_count)

set(rest "${readme}")
while(rest MATCHES "${marker_pattern}")
  set(example ${CMAKE_MATCH_1})
  string(FIND "${rest}" "${CMAKE_MATCH_0}" start)
  string(LENGTH "${CMAKE_MATCH_0}" marker_length)
  math(EXPR start "${start} + ${marker_length}")
  string(SUBSTRING "${rest}" ${start} -1 rest)
  string(FIND "${rest}" "```" end)
  if(end EQUAL -1)
    message(SEND_ERROR "README.md: the snippet from ${example} has no end")
    break()
  endif()
  string(SUBSTRING "${rest}" 0 ${end} snippet)
  math(EXPR checked "${checked} + 1")
  if(NOT EXISTS ${ROOT}/${example})
    message(SEND_ERROR "README.md names ${example}, which does not exist")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  file(READ ${ROOT}/${example} source)
  string(REGEX REPLACE "\n[ ]+" "\n" source "\n${source}")
  string(REGEX REPLACE "\n[ ]+" "\n" margin_snippet "\n${snippet}")
  string(FIND "${source}" "${margin_snippet}" found)
  if(found EQUAL -1)
    message(SEND_ERROR "README.md: this snippet is not in ${example}:\n${snippet}")
    math(EXPR failures "${failures} + 1")
  endif()
endwhile()

if(NOT checked EQUAL block_count)
  message(SEND_ERROR
          "README.md: ${block_count} C++ snippets, ${checked} of them marked with their example")
endif()
if(checked EQUAL 0)
  message(SEND_ERROR "README.md: no snippet found to check")
endif()
