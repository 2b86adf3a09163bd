# Fuzzing smoke runs: each libFuzzer target (one per folder of fuzz/corpus) replays its seed
# corpus and fuzzes for two seconds (make fuzz runs them longer), side by side with the other
# tests. make test builds the targets beside its other builds; run alone, fuzz_build does it.
add_test(NAME fuzz_build
    COMMAND bash -c "cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 --target fuzz_targets"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(fuzz_build PROPERTIES FIXTURES_SETUP fuzz_targets TIMEOUT 900)

file(GLOB HARKVANE_FUZZ_CORPORA LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/fuzz/corpus/*)
foreach(corpus ${HARKVANE_FUZZ_CORPORA})
    if(NOT IS_DIRECTORY ${corpus})
        continue()
    endif()
    get_filename_component(target ${corpus} NAME)
    add_test(NAME fuzz_smoke.${target}
             COMMAND bash tools/fuzz.sh --no-build 2 ${target}
             WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
    set_tests_properties(fuzz_smoke.${target} PROPERTIES
        FIXTURES_REQUIRED fuzz_targets TIMEOUT 120 COST 5)
endforeach()
