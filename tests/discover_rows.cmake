# SPDX-License-Identifier: GPL-3.0-or-later
# Run after a test program is linked: lists its functions and data rows (-datatags) and writes
# them as CTest entries, one process each, so that the rows of a slow end-to-end program run in
# parallel. Called with PROGRAM, NAME, OUTPUT and ENV (the tests' environment, a list).
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} -datatags
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} -datatags failed (${status})")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(out "")
foreach(line ${lines})
  # "<class> <function>" or "<class> <function> <tag with spaces>"
  if(NOT line MATCHES "^[^ ]+ ([^ ]+)( (.*))?$")
    continue()
  endif()
  set(row "${CMAKE_MATCH_1}")
  if(CMAKE_MATCH_3)
    set(row "${CMAKE_MATCH_1}:${CMAKE_MATCH_3}")
  endif()
  string(APPEND out "add_test([==[${NAME}:${row}]==] [==[${PROGRAM}]==] [==[${row}]==])\n")
  string(APPEND out "set_tests_properties([==[${NAME}:${row}]==] PROPERTIES ENVIRONMENT [==[${ENV}]==] TIMEOUT 300 LABELS e2e)\n")
endforeach()
file(WRITE ${OUTPUT} "${out}")
