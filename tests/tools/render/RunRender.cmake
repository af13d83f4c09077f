# Runs calderine-render once and checks its exit status, its standard output and that a
# failure says so in exactly one line on standard error.
#   cmake -DRENDER=<exe> -DARGS=<a|b> -DEXPECT_EXIT=<n> [-DEXPECT_STDOUT=<regex>]
#         [-DEXPECT_STDERR=<regex>] -P RunRender.cmake
string(REPLACE "|" ";" arguments "${ARGS}")
execute_process(COMMAND ${RENDER} ${arguments}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)

if(NOT status STREQUAL EXPECT_EXIT)
    message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_EXIT}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(DEFINED EXPECT_STDOUT AND NOT out MATCHES "${EXPECT_STDOUT}")
    message(FATAL_ERROR "stdout does not match '${EXPECT_STDOUT}':\n${out}")
endif()
if(EXPECT_EXIT EQUAL 0)
    if(NOT err STREQUAL "")
        message(FATAL_ERROR "unexpected stderr:\n${err}")
    endif()
else()
    string(REGEX MATCHALL "\n" newlines "${err}")
    list(LENGTH newlines lines)
    if(NOT lines EQUAL 1 OR NOT err MATCHES "^calderine-render: ")
        message(FATAL_ERROR "stderr is not one 'calderine-render: ...' line:\n${err}")
    endif()
    if(DEFINED EXPECT_STDERR AND NOT err MATCHES "${EXPECT_STDERR}")
        message(FATAL_ERROR "stderr does not match '${EXPECT_STDERR}':\n${err}")
    endif()
endif()
