# Renders the parity tracks through a Linux build of the module, as the reference that a
# Windows build's DLL is compared with:
#   cmake -DSOURCE_DIR=<sources> -DBUILD_DIR=<Linux build tree> -DGENERATOR=<generator>
#         -DOUTPUT=<tracks file> -P LinuxReferenceRender.cmake
# An existing build tree is brought up to date (only the module and the render program); a
# missing one is configured first, as a plain native release build.
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS ${BUILD_DIR}/CMakeCache.txt)
    message(STATUS "Configuring the Linux reference build in ${BUILD_DIR}")
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G ${GENERATOR}
                            -DCMAKE_BUILD_TYPE=Release -DCALDERINE_BUILD_BENCH=OFF
                    COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR}
                        --target calderine calderine_parity_render
                COMMAND_ERROR_IS_FATAL ANY)

set(module ${BUILD_DIR}/plugin/calderine.so)
set(renderer ${BUILD_DIR}/tests/module/calderine_parity_render)
foreach(file IN ITEMS ${module} ${renderer})
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "${BUILD_DIR} is not a native Linux build tree: no ${file}")
    endif()
endforeach()
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${renderer} ${module} ${OUTPUT} COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Reference tracks of ${module} in ${OUTPUT}")
