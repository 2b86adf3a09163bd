# The stand-in host for running Harkvane.asi under Wine: the simulated world built as
# ScriptHookRDR2.dll (exporting the host's six functions under their decorated names) and
# harkvane-host.exe, which loads the plug-in and runs its script on a fiber.
set(HARKVANE_STANDIN_DIR ${PROJECT_SOURCE_DIR}/standin)
set(HARKVANE_SIM_DIR ${PROJECT_SOURCE_DIR}/sim)

# The world's sources are the simulator's rooms, less the in-process runner, its checks, its
# settings checker, its seed sweeps (which fork) and comparisons, the compressed trace writer (the stand-in
# writes plain JSON lines) and the report's pages (the stand-in writes none); the summary stays.
file(GLOB HARKVANE_STANDIN_WORLD CONFIGURE_DEPENDS ${HARKVANE_SIM_DIR}/*/*.cpp)
list(FILTER HARKVANE_STANDIN_WORLD EXCLUDE REGEX
     ".*/sim/(run/(runner|checks|ini_lint|sweep|sweep_report|compare|settings_changes|paired_interval)|os/.*|world/trace_file|report/.*)\.cpp$")
list(APPEND HARKVANE_STANDIN_WORLD ${HARKVANE_STANDIN_DIR}/sim_world.cpp)

# The JSON library is header-only; expose just its directory, not the host's /usr/include.
set(HARKVANE_STANDIN_INCLUDE ${CMAKE_CURRENT_BINARY_DIR}/standin-include)
find_path(HARKVANE_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          NO_DEFAULT_PATH REQUIRED)
file(MAKE_DIRECTORY ${HARKVANE_STANDIN_INCLUDE})
file(CREATE_LINK ${HARKVANE_JSON_DIR}/nlohmann ${HARKVANE_STANDIN_INCLUDE}/nlohmann SYMBOLIC)

add_library(harkvane_standin_dll SHARED
    ${HARKVANE_STANDIN_DIR}/host_dll.cpp
    ${HARKVANE_STANDIN_WORLD}
    ${HARKVANE_STANDIN_DIR}/standin.def)
set_target_properties(harkvane_standin_dll PROPERTIES OUTPUT_NAME ScriptHookRDR2 PREFIX "")
target_include_directories(harkvane_standin_dll PRIVATE ${HARKVANE_STANDIN_DIR}
    ${HARKVANE_SIM_DIR} ${HARKVANE_STANDIN_INCLUDE} ${CMAKE_BINARY_DIR}/sim/generated)
# The scenario reader includes the evening the simulator's build embeds (sim/CMakeLists.txt):
# that header must be written first.
add_dependencies(harkvane_standin_dll harkvane_simworld)
# The world uses the plug-in's native catalogue and shared types, not the plug-in itself.
target_link_libraries(harkvane_standin_dll PRIVATE harkvane_core harkvane_hostkit)
target_link_options(harkvane_standin_dll PRIVATE ${HARKVANE_WIN_STATIC_LINK})

add_executable(harkvane_host ${HARKVANE_STANDIN_DIR}/host_main.cpp)
set_target_properties(harkvane_host PROPERTIES OUTPUT_NAME harkvane-host)
target_include_directories(harkvane_host PRIVATE ${HARKVANE_STANDIN_DIR})
target_link_libraries(harkvane_host PRIVATE harkvane_standin_dll)
target_link_options(harkvane_host PRIVATE ${HARKVANE_WIN_STATIC_LINK})
