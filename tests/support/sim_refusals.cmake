# A refused scenario: exit status 2, one line on stderr naming the JSON path and the rule, and no
# output folder created or deleted (a name with "../" once made the next run delete a folder
# outside out/).
set(cwd ${WORK}/cwd)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${cwd}/out/keep)
file(WRITE ${cwd}/out/keep/precious.txt "mine\n")

function(expect_refusal name text want)
    file(WRITE ${cwd}/${name}.json "${text}")
    execute_process(COMMAND ${SIM} ${name}.json --quiet ${ARGN} WORKING_DIRECTORY ${cwd}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 2)
        message(FATAL_ERROR "${name}: exit status ${rc}, expected 2 (stderr: ${err})")
    endif()
    string(REGEX MATCHALL "\n" lines "${err}")
    list(LENGTH lines count)
    if(NOT count EQUAL 1 OR NOT err STREQUAL "harkvane-sim: ${name}.json: ${want}\n")
        message(FATAL_ERROR "${name}: stderr is\n${err}expected one line ending in: ${want}")
    endif()
endfunction()

expect_refusal(escape [=[{"name": "../out/keep", "seed": 0}]=]
               [=[$.name: must be 1 to 64 letters, digits, '_', '-' or '.', not starting with '.' (it names the output folder)]=])
expect_refusal(misspelt [=[{"world": {"bystandrs": 3}}]=]
               [=[$.world.bystandrs: unknown key; the closest known key is "bystanders"]=]
               --workdir fresh)
expect_refusal(hang [=[{"frame_ms": 0}]=] [=[$.frame_ms: must be a whole number from 1 to 1000]=]
               --workdir fresh)

# A bad option value is refused the same way, before any folder is made (both hosts read their
# options through one path).
foreach(option "--seconds;-1;--seconds must be a number from 0 to 86400"
               "--seed;x;--seed must be a whole number from 0 to 9223372036854775807")
    list(GET option 0 name)
    list(GET option 1 value)
    list(GET option 2 want)
    execute_process(COMMAND ${SIM} ${name} ${value} --quiet WORKING_DIRECTORY ${cwd}
                    RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 2 OR NOT err STREQUAL "harkvane-sim: ${want}\n")
        message(FATAL_ERROR "${name} ${value}: exit status ${rc}, stderr: ${err}")
    endif()
endforeach()

file(GLOB_RECURSE left RELATIVE ${cwd} ${cwd}/*)
list(SORT left)
set(want escape.json hang.json misspelt.json out/keep/precious.txt)
if(NOT left STREQUAL want)
    message(FATAL_ERROR "refused runs touched the folders: ${left}")
endif()

