# Installs the build into a scratch prefix and checks that the module lands where Linux
# hosts look for VST 2.4 modules, that the installed tool loads it from there and that its
# manual page is where man looks, compressed, and that it finds presets by name.
#   cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch folder> -P InstallCheck.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${out}\n${err}")
endif()
foreach(installed lib/vst/calderine.so bin/calderine-render share/man/man1/calderine-render.1.gz
        share/calderine/presets/transparent-split.preset
        share/calderine/presets/breath-and-hiss.preset share/calderine/presets/tones-only.preset)
    if(NOT EXISTS "${PREFIX}/${installed}")
        message(FATAL_ERROR "cmake --install did not create <prefix>/${installed}")
    endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/calderine-render" --info
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "module: +${PREFIX}/lib/vst/calderine.so ")
    message(FATAL_ERROR "the installed tool did not load the installed module:\n${out}\n${err}")
endif()
# The manual page compressed, and only so: man would find either, and Debian wants one.
if(EXISTS "${PREFIX}/share/man/man1/calderine-render.1")
    message(FATAL_ERROR "cmake --install left an uncompressed manual page")
endif()
# A preset NAME is found beside the installed tool: a file only the install has is read.
file(WRITE "${PREFIX}/share/calderine/presets/install-only.preset" "Tone_Gain=-3\n")
execute_process(COMMAND "${PREFIX}/bin/calderine-render" --preset install-only
        --save-preset "${PREFIX}/saved.preset"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ "${PREFIX}/saved.preset" saved)
if(NOT status EQUAL 0 OR NOT saved MATCHES "\nTone_Gain=-3.0 dB\n")
    message(FATAL_ERROR "the installed tool did not find an installed preset by name:\n${err}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
