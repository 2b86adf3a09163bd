# Runs the simulator twice in one work directory: the first run earns a bounty in a pooled region,
# the second starts from the pool file the first one left and must get that bounty back.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${SIM} ${SCENARIOS}/pools_first_run.json --quiet --check --workdir ${WORK}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "first run failed: ${rc}")
endif()
file(READ ${WORK}/BountyPools.dat pools)
if(NOT pools STREQUAL "1250 0 0 0 0 1250\n")
    message(FATAL_ERROR "the first run left \"${pools}\" in BountyPools.dat")
endif()
# The simulator starts every run from the state files its scenario names, so the second run names
# exactly the file the first one left behind.
string(REPLACE "\n" "\\n" POOLS_FILE "${pools}")
configure_file(${SCENARIOS}/pools_second_run.json.in ${WORK}/pools_second_run.json @ONLY)
execute_process(COMMAND ${SIM} ${WORK}/pools_second_run.json --quiet --check --workdir ${WORK}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "second run failed: ${rc}")
endif()
