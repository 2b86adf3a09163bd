# Fuzzing smoke run: builds the libFuzzer targets with clang, replays their seed corpora and
# fuzzes each briefly (make fuzz runs them longer).
add_test(NAME fuzz_smoke COMMAND bash tools/fuzz.sh 25 WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(fuzz_smoke PROPERTIES TIMEOUT 1500)
