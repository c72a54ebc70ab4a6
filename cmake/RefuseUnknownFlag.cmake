# Runs a benchmark program with a flag it cannot know (and a filter that
# selects nothing, so a program that ignored the flag would still end
# quickly): it must fail and name the flag.
execute_process(COMMAND ${PROGRAM} --benchmark_filter=^$ --no-such-flag=1
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} accepted --no-such-flag and exited 0")
endif()
if(NOT "${out}${err}" MATCHES "--no-such-flag")
  message(FATAL_ERROR "${PROGRAM} failed without naming the flag:\n${out}${err}")
endif()
