# The plug-in's folders and the simulator's rooms include only their own level and below
# (tests/layers/check_layers.sh).
add_test(NAME include_layers
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/layers/check_layers.sh ${PROJECT_SOURCE_DIR})
