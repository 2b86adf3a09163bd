# expect_same_files(DIR_A DIR_B WHAT FILE...): fails unless each file is byte for byte the same in
# both folders; WHAT ends the message ("differs between one job and two").
function(expect_same_files dirA dirB what)
    foreach(file ${ARGN})
        execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${dirA}/${file} ${dirB}/${file}
                        RESULT_VARIABLE same)
        if(NOT same EQUAL 0)
            message(FATAL_ERROR "${file} differs ${what}")
        endif()
    endforeach()
endfunction()
