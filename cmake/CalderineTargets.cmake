# Small helpers so that every folder declares its targets the same way.

# calderine_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS label...])
# One GoogleTest executable; its cases are discovered when ctest runs. LABELS go on every case
# of the executable, so that a test preset can select them.
function(calderine_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    set(properties)
    if(ARG_LABELS)
        set(properties PROPERTIES LABELS "${ARG_LABELS}")
    endif()
    # Cross builds run every case under an emulator that one fixture starts for the whole run.
    if(CALDERINE_EMULATOR_FIXTURE)
        if(NOT properties)
            set(properties PROPERTIES)
        endif()
        list(APPEND properties FIXTURES_REQUIRED ${CALDERINE_EMULATOR_FIXTURE})
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${properties})
endfunction()

# calderine_add_bench(NAME SOURCES a.cpp LIBS lib1)
function(calderine_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
