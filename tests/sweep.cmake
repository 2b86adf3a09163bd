# Seed sweeps through the command: the same scenario and seeds give the same sweep.json and
# sweep.txt with one process or two, and every seed of the default world runs through; a
# comparison of a file with itself and of halved spawn hours.
if(NOT TARGET harkvane-sim)
    return()
endif()
add_test(NAME sim.sweep_same_bytes_any_jobs
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sim-work/sweep
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_sweep_jobs.cmake)
add_test(NAME sim.compare_itself_and_halved_spawn_hours
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DSCENARIO=${PROJECT_SOURCE_DIR}/scenarios/evening.json
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sim-work/compare
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_compare.cmake)
