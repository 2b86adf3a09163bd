# Windows x86-64 build (mingw preset): the shipped plug-in Harkvane.asi, and the stand-in host
# (ScriptHookRDR2.dll + harkvane-host.exe) that runs it under Wine.

# Everything is linked statically except the Windows system DLLs and the C runtime (msvcrt).
set(HARKVANE_WIN_STATIC_LINK -static -static-libgcc -static-libstdc++)

find_program(HARKVANE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)

# Import library for the host DLL, built from the decorated names the host exports.
set(HARKVANE_HOST_DEF ${PROJECT_SOURCE_DIR}/windows/ScriptHookRDR2.def)
set(HARKVANE_HOST_IMPLIB ${CMAKE_CURRENT_BINARY_DIR}/libScriptHookRDR2.a)
add_custom_command(
    OUTPUT ${HARKVANE_HOST_IMPLIB}
    COMMAND ${HARKVANE_DLLTOOL} --machine i386:x86-64 --input-def ${HARKVANE_HOST_DEF}
            --dllname ScriptHookRDR2.dll --output-lib ${HARKVANE_HOST_IMPLIB}
    DEPENDS ${HARKVANE_HOST_DEF}
    COMMENT "Import library for ScriptHookRDR2.dll")
add_custom_target(harkvane_host_implib DEPENDS ${HARKVANE_HOST_IMPLIB})

# The plug-in: a DLL named Harkvane.asi that exports nothing (no auto-export of every symbol).
add_library(harkvane_asi SHARED ${PROJECT_SOURCE_DIR}/src/host/dll_main.cpp)
add_dependencies(harkvane_asi harkvane_host_implib)
set_target_properties(harkvane_asi PROPERTIES OUTPUT_NAME Harkvane PREFIX "" SUFFIX ".asi")
target_link_libraries(harkvane_asi PRIVATE harkvane_core ${HARKVANE_HOST_IMPLIB} user32 kernel32)
target_link_options(harkvane_asi PRIVATE ${HARKVANE_WIN_STATIC_LINK}
    -s -Wl,--exclude-all-symbols -Wl,--no-insert-timestamp)

include(${PROJECT_SOURCE_DIR}/standin/standin.cmake OPTIONAL)

# The simulator's copy of the core: the same sources with the portable stand-ins of src/platform
# in place of the game's host, so a run reads settings, draws random numbers and takes key presses
# exactly as on Linux.
add_library(harkvane_core_portable STATIC ${HARKVANE_CORE_SOURCES})
target_include_directories(harkvane_core_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(harkvane_core_portable PUBLIC HARKVANE_PORTABLE_HOST)
set(HARKVANE_SIM_CORE harkvane_core_portable)
# harkvane-sim.exe: static runtime and zlib, so it needs only Windows' own DLLs.
set(ZLIB_USE_STATIC_LIBS ON)
