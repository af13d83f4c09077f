# Shared by the mingw-w64 toolchain files, which set CALDERINE_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first.
#
# The compilers are named with their -posix suffix on purpose: the -win32 flavour of GCC 12
# has no std::thread or std::mutex, and which flavour the unsuffixed name points at depends on
# what else happens to be installed.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${CALDERINE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CALDERINE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CALDERINE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CALDERINE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config would otherwise report the build machine's libraries as found.
set(ENV{PKG_CONFIG_LIBDIR} ${CMAKE_FIND_ROOT_PATH}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Everything links the GCC, C++ and thread runtimes in: the module then imports nothing but
# system DLLs, and the test programs run under an emulator without a search path for the
# cross compiler's runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)
