# What the simulator leaves on disk. --print-settings writes nothing and names the file it read;
# --lint-ini answers 0, 1 and 2 as documented; the outputs of `make run` stay small.
# cmake -DSIM=<harkvane-sim> -DWORK=<dir> -DSRC=<source root> -P sim_outputs.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/empty)

macro(run expected_rc)
    execute_process(COMMAND ${SIM} ${ARGN} WORKING_DIRECTORY ${WORK}/empty
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL ${expected_rc})
        message(FATAL_ERROR "harkvane-sim ${ARGN}: exit ${rc}, expected ${expected_rc}\n${out}${err}")
    endif()
endmacro()

run(0 --print-settings)
if(NOT out MATCHES "^; Effective configuration: what the plug-in understood from the settings written in the built-in scenario\n")
    message(FATAL_ERROR "--print-settings header: ${out}")
endif()
run(0 --print-settings --ini ${SRC}/dist/Harkvane.ini)
if(NOT out MATCHES "^; Effective configuration: what the plug-in understood from [^\n]*/dist/Harkvane.ini\n")
    message(FATAL_ERROR "--print-settings --ini header: ${out}")
endif()
run(0 --print-settings ${SRC}/scenarios/timed_posse.json)
file(GLOB left ${WORK}/empty/*)
if(left)
    message(FATAL_ERROR "--print-settings left files behind: ${left}")
endif()

run(0 --lint-ini ${SRC}/dist/Harkvane.ini)
run(1 --lint-ini ${SRC}/tests/data/lint_mistakes.ini)
run(2 --lint-ini ${WORK}/no-such.ini)

# The outputs of `make run`, without the trace: at most 20 MB.
execute_process(COMMAND ${SIM} --quiet --workdir ${WORK}/run --timeline ${WORK}/run/timeline.txt
                        --summary ${WORK}/run/summary.json --map ${WORK}/run/map.svg
                        --report ${WORK}/run/report.html
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "default run failed: ${rc}")
endif()
file(GLOB_RECURSE outputs ${WORK}/run/*)
set(total 0)
foreach(f ${outputs})
    file(SIZE ${f} size)
    math(EXPR total "${total} + ${size}")
endforeach()
if(total GREATER 20000000)
    message(FATAL_ERROR "the default run left ${total} bytes, more than 20 MB")
endif()
