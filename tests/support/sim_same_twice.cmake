# Runs the default world twice with the same seed and demands byte-identical trace, summary and
# report page. The trace is the compressed one, and it must stay small enough to keep: 150 s of
# the run scaled to a game day (2880 s) below 150 MB.
foreach(run a b)
    file(REMOVE_RECURSE ${WORK}/${run})
    execute_process(COMMAND ${SIM} --quiet --seconds 150 --seed 77 --workdir ${WORK}/${run}
                            --trace ${WORK}/${run}.jsonl.gz --summary ${WORK}/${run}.json
                            --report ${WORK}/${run}.html
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "harkvane-sim run ${run} failed: ${rc}")
    endif()
endforeach()
foreach(file jsonl.gz json html)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a.${file} ${WORK}/b.${file}
                    RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
        message(FATAL_ERROR "the two runs differ in their .${file} output")
    endif()
endforeach()
file(SIZE ${WORK}/a.jsonl.gz size)
if(size LESS 1000)
    message(FATAL_ERROR "the trace is nearly empty")
endif()
math(EXPR perDay "${size} * 2880 / 150")
if(perDay GREATER 150000000)
    message(FATAL_ERROR "the trace would take ${perDay} bytes a game day, more than 150 MB")
endif()
