# The Windows build and its run under Wine. The cross build (mingw preset, build/mingw) is made
# by the windows_build fixture, so `ctest` alone brings the Windows artefacts up to date.
set(HARKVANE_MINGW_DIR ${PROJECT_SOURCE_DIR}/build/mingw)
find_program(HARKVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
find_program(HARKVANE_WINE64 NAMES wine64 wine)
set(HARKVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)

add_test(NAME windows_build
    COMMAND bash -c "cmake --preset mingw >/dev/null && cmake --build --preset mingw -j2"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(windows_build PROPERTIES FIXTURES_SETUP windows_artefacts TIMEOUT 1800)

add_test(NAME windows_host_names
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/check_host_names.sh ${PROJECT_SOURCE_DIR})

add_test(NAME windows_asi_tables
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/check_asi_tables.sh ${PROJECT_SOURCE_DIR}
            ${HARKVANE_MINGW_DIR}/Harkvane.asi)
set_tests_properties(windows_asi_tables PROPERTIES FIXTURES_REQUIRED windows_artefacts)

# A private Wine prefix for the suite, created once (the first start takes a few seconds).
add_test(NAME wine_prefix
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${HARKVANE_WINE_PREFIX} WINEDEBUG=-all
            WINEDLLOVERRIDES=mscoree,mshtml= ${HARKVANE_WINE64} wineboot -u)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix LABELS wine TIMEOUT 300
    COST 30)

add_test(NAME wine_end_to_end
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/wine_end_to_end.sh
            ${PROJECT_SOURCE_DIR} ${HARKVANE_MINGW_DIR} $<TARGET_FILE:harkvane-sim>
            ${HARKVANE_WINE64} ${HARKVANE_WINE_PREFIX} ${CMAKE_CURRENT_BINARY_DIR}/wine_end_to_end)
set_tests_properties(wine_end_to_end PROPERTIES
    FIXTURES_REQUIRED "windows_artefacts;wine_prefix" LABELS wine TIMEOUT 600)

# harkvane-sim.exe under Wine gives the Linux simulator's bytes (tests/windows/sim_exe.sh).
add_test(NAME wine_sim_exe
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/sim_exe.sh ${PROJECT_SOURCE_DIR}
            ${HARKVANE_MINGW_DIR}/sim/harkvane-sim.exe $<TARGET_FILE:harkvane-sim>
            ${HARKVANE_WINE64} ${HARKVANE_WINE_PREFIX} ${CMAKE_CURRENT_BINARY_DIR}/wine_sim_exe)
set_tests_properties(wine_sim_exe PROPERTIES
    FIXTURES_REQUIRED "windows_artefacts;wine_prefix" LABELS wine TIMEOUT 600 COST 40)
