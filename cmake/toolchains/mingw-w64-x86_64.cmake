# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix).
# Target programs (the tests) run under wine64 through the emulator wrapper, which keeps one
# throw-away wine prefix per build tree unless WINEPREFIX is set.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CALDERINE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-emulator.sh
                                      ${CMAKE_BINARY_DIR}/wineprefix)
endif()
