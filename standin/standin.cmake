# The stand-in host for running Harkvane.asi under Wine: the simulated world built as
# ScriptHookRDR2.dll (exporting the host's six functions under their decorated names) and
# harkvane-host.exe, which loads the plug-in and runs its script on a fiber.
set(HARKVANE_STANDIN_DIR ${PROJECT_SOURCE_DIR}/standin)

add_library(harkvane_standin_dll SHARED
    ${HARKVANE_STANDIN_DIR}/host_dll.cpp
    ${HARKVANE_STANDIN_DIR}/mini_world.cpp
    ${HARKVANE_STANDIN_DIR}/standin.def)
set_target_properties(harkvane_standin_dll PROPERTIES OUTPUT_NAME ScriptHookRDR2 PREFIX "")
target_include_directories(harkvane_standin_dll PRIVATE ${HARKVANE_STANDIN_DIR})
target_link_options(harkvane_standin_dll PRIVATE ${HARKVANE_WIN_STATIC_LINK})

add_executable(harkvane_host ${HARKVANE_STANDIN_DIR}/host_main.cpp)
set_target_properties(harkvane_host PROPERTIES OUTPUT_NAME harkvane-host)
target_include_directories(harkvane_host PRIVATE ${HARKVANE_STANDIN_DIR})
target_link_libraries(harkvane_host PRIVATE harkvane_standin_dll)
target_link_options(harkvane_host PRIVATE ${HARKVANE_WIN_STATIC_LINK})
