# Cross build for 32-bit Windows with mingw-w64 (Debian: g++-mingw-w64-i686-posix).
# Target programs (the tests) run under wine through the emulator wrapper; wine64 alone cannot
# start 32-bit programs, which need Debian's wine32 (architecture i386) beside it.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CALDERINE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# SSE2 arithmetic as on x86-64 (the FFT's vectors and the flush-to-zero control need SSE, and
# x87 extended precision would round differently from every other build). 32-bit Windows hosts
# call in with the stack aligned to 4 bytes only: functions that keep SSE values on the stack
# realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-emulator.sh
                                      ${CMAKE_BINARY_DIR}/wineprefix)
endif()
