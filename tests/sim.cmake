# Simulator suites: every scenarios/*.json runs the plug-in in the simulated world and checks the
# scenario's own "expect" block; the same run twice must give identical bytes; a whole game day of
# the default world must keep its expectations (support/sim_whole_day.cmake).
if(NOT TARGET harkvane-sim)
    return()
endif()
target_link_libraries(harkvane_tests PRIVATE harkvane_simworld)

set(HARKVANE_SIM_WORK ${CMAKE_CURRENT_BINARY_DIR}/sim-work)
file(GLOB HARKVANE_SCENARIOS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/scenarios/*.json)
foreach(scenario ${HARKVANE_SCENARIOS})
    get_filename_component(name ${scenario} NAME_WE)
    add_test(NAME scenario.${name}
             COMMAND harkvane-sim ${scenario} --quiet --check
                     --workdir ${HARKVANE_SIM_WORK}/${name}
                     --summary ${HARKVANE_SIM_WORK}/${name}.summary.json)
endforeach()

add_test(NAME sim.same_seed_same_bytes
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DWORK=${HARKVANE_SIM_WORK}/determinism
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_same_twice.cmake)

add_test(NAME sim.refuses_bad_scenarios
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DWORK=${HARKVANE_SIM_WORK}/refusals
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_refusals.cmake)

add_test(NAME sim.outputs_on_disk
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim>
                 -DWORK=${HARKVANE_SIM_WORK}/outputs -DSRC=${PROJECT_SOURCE_DIR}
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_outputs.cmake)

# Each expectation kind, once right and once deliberately wrong: --check must tell them apart.
set(HARKVANE_EXPECT_CASES ${CMAKE_CURRENT_SOURCE_DIR}/sim_expect/cases.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${HARKVANE_EXPECT_CASES})
file(READ ${HARKVANE_EXPECT_CASES} cases)
string(JSON count LENGTH "${cases}")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON case MEMBER "${cases}" ${i})
    add_test(NAME sim.expect.${case}
             COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim> -DCASE=${case}
                     -DCASES=${HARKVANE_EXPECT_CASES}
                     -DBASE=${CMAKE_CURRENT_SOURCE_DIR}/sim_expect/base.json
                     -DWORK=${HARKVANE_SIM_WORK}/expect/${case}
                     -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_expect_case.cmake)
endforeach()

add_test(NAME sim.whole_game_day
         COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:harkvane-sim> -DWORK=${HARKVANE_SIM_WORK}/day
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/support/sim_whole_day.cmake)
# The longest tests start first, so that two jobs stay busy to the end (ctest orders by COST
# until it has timings of its own).
set_tests_properties(sim.whole_game_day PROPERTIES TIMEOUT 900 COST 60)
set_tests_properties(sim.same_seed_same_bytes PROPERTIES COST 20)
