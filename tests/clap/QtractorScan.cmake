# An independent host compiled against the format's own headers: Qtractor's out-of-process
# plug-in scanner reads "CLAP:<path>" lines and prints what it found, one line per plug-in.
#   cmake -DSCANNER=<qtractor_plugin_scan> -DMODULE=<calderine.clap> -DWORK=<folder> -P QtractorScan.cmake
if(NOT EXISTS "${SCANNER}")
    message("no Qtractor scanner at ${SCANNER}: skipped (it comes with Debian's qtractor)")
    return()
endif()
# The scanner splits its input at colons, so the module is named by a path without one.
file(MAKE_DIRECTORY ${WORK})
file(CREATE_LINK ${MODULE} ${WORK}/calderine.clap SYMBOLIC)
file(WRITE ${WORK}/request "CLAP:${WORK}/calderine.clap\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${SCANNER}
                INPUT_FILE ${WORK}/request OUTPUT_VARIABLE found ERROR_VARIABLE errors
                RESULT_VARIABLE status TIMEOUT 60)
# CLAP|name|audio in:out|MIDI in:out|parameters in:out|...
if(NOT found MATCHES "CLAP\\|calderine\\|2:2\\|0:0\\|10:0\\|")
    message(FATAL_ERROR "the scanner (status ${status}) did not list calderine with 2:2 audio "
                        "and 10 parameters:\n${found}\n${errors}")
endif()
string(REGEX MATCH "CLAP\\|calderine\\|[^\n]*" line "${found}")
message("scanner: ${line}")
