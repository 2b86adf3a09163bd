# Fuzzing smoke run: replays the seed corpora of the libFuzzer targets and fuzzes each for two
# seconds (make fuzz runs them longer). The targets are built by make test beside the other
# builds; run alone, the test builds them first.
add_test(NAME fuzz_smoke COMMAND bash tools/fuzz.sh 2 WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(fuzz_smoke PROPERTIES TIMEOUT 900 COST 15)
