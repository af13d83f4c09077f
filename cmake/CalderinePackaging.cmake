# What `cpack` makes of a build: on Linux a Debian package that installs the module where
# Debian's VST packages put theirs (/usr/lib/vst), the LV2 bundle in /usr/lib/lv2, calderine.clap
# in /usr/lib/clap and the tool in /usr/bin; for Windows a zip
# archive with the DLL (and the 32-bit DLL of a windows32 build in x86/).

set(CPACK_PACKAGE_NAME calderine)
set(CPACK_PACKAGE_VENDOR "pemberlow")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Stereo audio effect splitting a signal into its noise and tone parts (VST 2.4, LV2, CLAP)")
set(CPACK_PACKAGE_DESCRIPTION
    "calderine splits a signal into a noise part (breath, hiss, air, room noise) and a tone part
(the steady partials of voices and instruments) with a short-time spectral separator, shapes the
two parts separately and mixes them with the dry signal. It comes as VST 2.4, LV2 and CLAP
plug-ins for digital audio workstations, and as calderine-render, a command-line host that
renders sound files through it.")
set(CPACK_PACKAGE_CONTACT "calderine developers <calderine@pemberlow.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    install(TARGETS calderine calderine_clap_module RUNTIME DESTINATION . LIBRARY DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
                  ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION .)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        # A 32-bit host needs the 32-bit modules, made by the windows32 preset.
        set(CALDERINE_WIN32_DLL ${PROJECT_SOURCE_DIR}/build/windows32/plugin/calderine.dll
            CACHE FILEPATH "32-bit calderine.dll put into the win64 archive as x86/calderine.dll")
        set(CALDERINE_WIN32_CLAP ${PROJECT_SOURCE_DIR}/build/windows32/clap/calderine.clap
            CACHE FILEPATH "32-bit calderine.clap put into the win64 archive as x86/calderine.clap")
        install(FILES ${CALDERINE_WIN32_DLL} ${CALDERINE_WIN32_CLAP} DESTINATION x86 OPTIONAL)
        set(CPACK_PACKAGE_FILE_NAME calderine-${PROJECT_VERSION}-win64)
    else()
        set(CPACK_PACKAGE_FILE_NAME calderine-${PROJECT_VERSION}-win32)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
            DESTINATION share/doc/calderine)
    # Debian keeps the licence of every package in its documentation folder as "copyright".
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/calderine RENAME copyright)
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    # calderine_<version>_<architecture>.deb, as Debian names its packages.
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION sound)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://calderine.pemberlow.invalid")
    # The dependencies (libsndfile, the C library) come from the binaries themselves.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
