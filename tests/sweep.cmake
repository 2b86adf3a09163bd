# Seed sweeps through the command: the same scenario and seeds give the same sweep.json and
# sweep.txt with one process or two, and every seed of the default world runs through.
if(NOT TARGET harkvane-sim)
    return()
endif()
add_test(NAME sim.sweep_same_bytes_any_jobs
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sim-work/sweep
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_sweep_jobs.cmake)
