# Checks that the manual page lists every option calderine-render --help lists, and that groff
# (where installed) formats it without a warning.
#   cmake -DRENDER=<exe> -DPAGE=<calderine-render.1> -P ManualPageCheck.cmake
execute_process(COMMAND ${RENDER} --help RESULT_VARIABLE status OUTPUT_VARIABLE help)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "--help failed with status ${status}")
endif()
file(READ "${PAGE}" page)

# Options are the words starting with '-' at the front of the lines that describe them:
# "  --set NAME=VALUE   ...", "  --quiet, -q   ...".
string(REPLACE "\n" ";" lines "${help}")
set(options)
foreach(line IN LISTS lines)
    if(line MATCHES "^  (-[^ ,]*(, -[^ ,]*)*)")
        string(REPLACE ", " ";" names "${CMAKE_MATCH_1}")
        list(APPEND options ${names})
    endif()
endforeach()
list(LENGTH options count)
if(count LESS 10)
    message(FATAL_ERROR "found only ${count} options in --help:\n${help}")
endif()

set(missing)
foreach(option IN LISTS options)
    # troff writes a hyphen as \-.
    string(REPLACE "-" "\\-" escaped "${option}")
    string(FIND "${page}" "${escaped}" at)
    if(at EQUAL -1)
        list(APPEND missing ${option})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "the manual page lacks these options of --help: ${missing}")
endif()

find_program(GROFF groff)
if(GROFF)
    execute_process(COMMAND ${GROFF} -t -man -ww -z "${PAGE}" RESULT_VARIABLE status
        ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
        message(FATAL_ERROR "groff warns about the manual page:\n${warnings}")
    endif()
endif()
message(STATUS "the manual page lists all ${count} options of --help")
