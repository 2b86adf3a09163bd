# Soak run in the simulated world with every fault on (see soak/soak.cpp); the short run here
# covers four game hours, `make soak` a whole day.
if(NOT TARGET harkvane_simworld)
    return()
endif()
add_executable(harkvane_soak ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak.cpp)
target_link_libraries(harkvane_soak PRIVATE harkvane_simworld)
add_test(NAME soak_short
         COMMAND harkvane_soak --hours 4 --seed 7 --workdir ${CMAKE_CURRENT_BINARY_DIR}/soak-work)
set_tests_properties(soak_short PROPERTIES TIMEOUT 900 COST 15)
