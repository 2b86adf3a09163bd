# Sweeps the default world over three seeds with one process and with two; the two work folders
# must hold byte-identical sweep.json, sweep.txt and sweep.html, and no seed may have failed.
foreach(jobs 1 2)
    file(REMOVE_RECURSE ${WORK}/j${jobs})
    execute_process(COMMAND ${SIM} --sweep 3 --jobs ${jobs} --seconds 60 --seed 40 --quiet
                            --workdir ${WORK}/j${jobs}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "the sweep with ${jobs} job(s) failed: ${rc}")
    endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/same_files.cmake)
expect_same_files(${WORK}/j1 ${WORK}/j2 "between one job and two" sweep.json sweep.txt sweep.html)
file(READ ${WORK}/j1/sweep.json text)
string(JSON seeds GET "${text}" seeds)
string(JSON failed LENGTH "${text}" failed)
string(JSON last GET "${text}" runs 2 seed)
if(NOT seeds EQUAL 3 OR NOT failed EQUAL 0 OR NOT last EQUAL 42)
    message(FATAL_ERROR "expected seeds 40 to 42 all run, got ${seeds} seeds, ${failed} failed, "
                        "last seed ${last}")
endif()
