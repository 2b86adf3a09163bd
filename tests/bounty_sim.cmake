# Simulator runs of the bounty book that need more than one run of the simulator.
if(NOT TARGET harkvane_simworld)
    return()
endif()
add_test(NAME sim.pools_across_restart
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DSCENARIOS=${CMAKE_CURRENT_SOURCE_DIR}/sim_restart
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sim-work/pools_restart
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_pools_restart.cmake)
