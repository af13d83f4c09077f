# Test support for cross builds (included from tests/CMakeLists.txt when CMAKE_CROSSCOMPILING).

# The distribution's libgtest is built for the build machine; GoogleTest is compiled for the
# target from the sources that Debian's googletest package installs.
set(CALDERINE_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources, compiled for the target in cross builds")
if(NOT EXISTS ${CALDERINE_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in '${CALDERINE_GOOGLETEST_SOURCE_DIR}' "
                        "(Debian package googletest); set CALDERINE_GOOGLETEST_SOURCE_DIR.")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest uses Win32 threads on Windows; its pthread probe would only find winpthread.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${CALDERINE_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)

# One wineserver for the whole ctest run: every test that runs a target program requires this
# fixture (calderine_add_test adds it), so each program costs milliseconds instead of a server
# start.
set(calderine_emulator_program "")
if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 calderine_emulator_program)
endif()
if(calderine_emulator_program MATCHES "wine-emulator\\.sh$")
    set(CALDERINE_EMULATOR_FIXTURE calderine_wineserver)
    add_test(NAME calderine_wineserver_start
             COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --start-server)
    add_test(NAME calderine_wineserver_stop
             COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop-server)
    set_tests_properties(calderine_wineserver_start PROPERTIES
                         FIXTURES_SETUP ${CALDERINE_EMULATOR_FIXTURE})
    set_tests_properties(calderine_wineserver_stop PROPERTIES
                         FIXTURES_CLEANUP ${CALDERINE_EMULATOR_FIXTURE})
endif()
