# Runs the small scenario tests/sim_expect/base.json with one case's expectations under --check:
# a case with a "fails" text must make --check fail with that text; the "holds" case must pass.
file(READ ${CASES} cases)
file(READ ${BASE} base)
string(JSON expect GET "${cases}" ${CASE} expect)
string(JSON fails GET "${cases}" ${CASE} fails)
string(JSON scenario SET "${base}" expect "${expect}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/${CASE}.json "${scenario}")
execute_process(COMMAND ${SIM} ${WORK}/${CASE}.json --quiet --check --workdir ${WORK}/run
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(fails STREQUAL "")
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "expectations that hold failed (exit ${rc}):\n${err}")
    endif()
else()
    string(FIND "${err}" "FAILED: " failedAt)
    string(FIND "${err}" "${fails}" textAt)
    if(NOT rc EQUAL 1 OR failedAt EQUAL -1 OR textAt EQUAL -1)
        message(FATAL_ERROR "a wrong expectation did not fail as it should (exit ${rc}); "
                            "wanted \"${fails}\" in:\n${err}")
    endif()
endif()
