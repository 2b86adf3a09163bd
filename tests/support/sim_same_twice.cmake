# Runs the default world twice with the same seed and demands byte-identical trace, summary and
# report page.
foreach(run a b)
    file(REMOVE_RECURSE ${WORK}/${run})
    execute_process(COMMAND ${SIM} --quiet --seconds 150 --seed 77 --workdir ${WORK}/${run}
                            --trace ${WORK}/${run}.jsonl --summary ${WORK}/${run}.json
                            --report ${WORK}/${run}.html
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "harkvane-sim run ${run} failed: ${rc}")
    endif()
endforeach()
foreach(file jsonl json html)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a.${file} ${WORK}/b.${file}
                    RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
        message(FATAL_ERROR "the two runs differ in their .${file} output")
    endif()
endforeach()
file(SIZE ${WORK}/a.jsonl size)
if(size LESS 1000)
    message(FATAL_ERROR "the trace is nearly empty")
endif()
