# Differential runs against Wine: the probe in tests/wine is built once with MinGW-w64 for
# Windows (answered by Wine's kernel32 and msvcrt) and once here (answered by the portable
# platform layer); both answer the same queries and their outputs must match byte for byte.
find_program(HARKVANE_MINGW_CXX x86_64-w64-mingw32-g++-posix)
# Debian's wine64 package ships the loader here; /usr/bin/wine comes only with the "wine" package.
find_program(HARKVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(HARKVANE_WINE NAMES wine64 wine)

set(HARKVANE_PROBE_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/wine/platform_probe.cpp)
add_executable(platform_probe_native ${HARKVANE_PROBE_SOURCE})
target_link_libraries(platform_probe_native PRIVATE harkvane_core)

set(HARKVANE_PROBE_EXE ${CMAKE_CURRENT_BINARY_DIR}/win64_platform_probe.exe)
if(HARKVANE_MINGW_CXX)
    add_custom_command(OUTPUT ${HARKVANE_PROBE_EXE}
        COMMAND ${HARKVANE_MINGW_CXX} -std=c++20 -O1 -Wall -Wextra -Werror -static
                -I${PROJECT_SOURCE_DIR}/src -o ${HARKVANE_PROBE_EXE} ${HARKVANE_PROBE_SOURCE}
                ${PROJECT_SOURCE_DIR}/src/platform/file_presence.cpp
        DEPENDS ${HARKVANE_PROBE_SOURCE} ${PROJECT_SOURCE_DIR}/src/platform/file_presence.cpp
        COMMENT "Building the Windows platform probe with MinGW-w64")
    add_custom_target(platform_probe_exe ALL DEPENDS ${HARKVANE_PROBE_EXE})
endif()

set(HARKVANE_CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/profile_corpus)
foreach(suite profile crt)
    add_test(NAME wine.${suite}
        COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/compare.sh
                "${HARKVANE_WINE}" "${HARKVANE_MINGW_CXX}" ${HARKVANE_PROBE_EXE}
                $<TARGET_FILE:platform_probe_native> ${HARKVANE_CORPUS} ${suite}_queries.txt
                ${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_CURRENT_BINARY_DIR}/wine-${suite})
    # The prefix is shared with the other Wine suites; its set-up test (when present) creates
    # it first. Creating it here instead takes a while on a loaded machine.
    set_tests_properties(wine.${suite} PROPERTIES LABELS wine TIMEOUT 900
        FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wineprefix)
endforeach()
