# Comparisons through the command, on the evening scenario:
# - a settings file compared with itself over six seeds of one and a half game hours: every
#   difference zero, every interval [0, 0], no mark, and compare.json, compare.txt and
#   compare.html byte-identical with one job or two;
# - halved MinSpawnHours and MaxSpawnHours over twelve seeds of three game hours: more posses per
#   game hour, with an interval above zero (at most two seeds of twelve may disagree).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/a.ini "[Spawner]\nMinSpawnHours=0.5\nMaxSpawnHours=0.6\n[WitnessTracker]\nEnabled=false\n")
file(WRITE ${WORK}/b.ini "[Spawner]\nMinSpawnHours=0.25\nMaxSpawnHours=0.3\n[WitnessTracker]\nEnabled=false\n")

function(compare name b jobs seeds seconds)
    execute_process(COMMAND ${SIM} ${SCENARIO} --sweep ${seeds} --jobs ${jobs} --seconds ${seconds}
                            --quiet
                            --ini ${WORK}/a.ini --compare ${WORK}/${b} --workdir ${WORK}/${name}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "the comparison ${name} failed: ${rc}")
    endif()
endfunction()

# The difference of one figure (by key) as "median lo hi excludes_zero".
function(difference name key out)
    file(READ ${WORK}/${name}/compare.json text)
    string(JSON count LENGTH "${text}" figures)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        string(JSON k GET "${text}" figures ${i} key)
        if(k STREQUAL key)
            foreach(part median lo hi excludes_zero)
                string(JSON v GET "${text}" figures ${i} difference ${part})
                if(v STREQUAL "" OR v STREQUAL "null")
                    set(v none)
                endif()
                list(APPEND found ${v})
            endforeach()
            set(${out} "${found}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${name}: no figure ${key}")
endfunction()

compare(self a.ini 1 6 180)
compare(self2 a.ini 2 6 180)
include(${CMAKE_CURRENT_LIST_DIR}/same_files.cmake)
expect_same_files(${WORK}/self ${WORK}/self2 "between one job and two" compare.json compare.txt
                  compare.html)
file(READ ${WORK}/self/compare.json text)
string(JSON count LENGTH "${text}" figures)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON key GET "${text}" figures ${i} key)
    string(JSON n GET "${text}" figures ${i} difference n)
    if(n EQUAL 0)
        continue()
    endif()
    difference(self ${key} d)
    list(GET d 0 median)
    list(GET d 1 lo)
    list(GET d 2 hi)
    list(GET d 3 mark)
    if(NOT median EQUAL 0 OR NOT mark STREQUAL "OFF" OR (n GREATER 5 AND (NOT lo EQUAL 0 OR NOT hi EQUAL 0)))
        message(FATAL_ERROR "a file against itself: ${key} differs (${d})")
    endif()
endforeach()

compare(halved b.ini 2 12 360)
difference(halved posses_per_hour d)
list(GET d 1 lo)
list(GET d 3 mark)
if(NOT mark STREQUAL "ON" OR NOT lo GREATER 0)
    message(FATAL_ERROR "halved spawn hours: posses per game hour not clearly up (${d})")
endif()
