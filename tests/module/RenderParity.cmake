# Render parity between builds of the module: every build can render the fixed parity signal,
# and a Windows build checks that its DLL renders what a Linux build's module renders.
add_library(calderine_parity STATIC ParityRender.cpp)
target_link_libraries(calderine_parity PUBLIC calderine_vsthost)

if(NOT CMAKE_CROSSCOMPILING)
    add_executable(calderine_parity_render ParityRenderMain.cpp)
    target_link_libraries(calderine_parity_render PRIVATE calderine_parity)
endif()

if(WIN32 AND CALDERINE_EMULATOR_FIXTURE)
    set(CALDERINE_LINUX_REFERENCE_DIR ${CMAKE_BINARY_DIR}/linux-reference CACHE PATH
        "Linux build tree whose module the DLL's render is compared with (configured and built by the test when needed)")
    set(reference_tracks ${CMAKE_CURRENT_BINARY_DIR}/linux-reference.tracks)

    add_test(NAME calderine_linux_reference_render COMMAND ${CMAKE_COMMAND}
        -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DBUILD_DIR=${CALDERINE_LINUX_REFERENCE_DIR}
        -DGENERATOR=${CMAKE_GENERATOR} -DOUTPUT=${reference_tracks}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/LinuxReferenceRender.cmake)
    # A first run configures and builds the reference tree.
    set_tests_properties(calderine_linux_reference_render PROPERTIES
        FIXTURES_SETUP calderine_linux_reference TIMEOUT 1800)

    # One ctest test for the whole program: it needs both fixtures, which the per-case tests
    # of calderine_add_test cannot carry.
    add_executable(calderine_render_parity_tests RenderParityTest.cpp)
    target_link_libraries(calderine_render_parity_tests PRIVATE calderine_parity GTest::gtest
                          GTest::gtest_main)
    target_compile_definitions(calderine_render_parity_tests PRIVATE
        CALDERINE_MODULE_PATH="$<TARGET_FILE:calderine>"
        CALDERINE_PARITY_REFERENCE="${reference_tracks}")
    add_dependencies(calderine_render_parity_tests calderine)
    add_test(NAME calderine_render_parity COMMAND calderine_render_parity_tests)
    set_tests_properties(calderine_render_parity PROPERTIES
        FIXTURES_REQUIRED "${CALDERINE_EMULATOR_FIXTURE};calderine_linux_reference")
endif()
