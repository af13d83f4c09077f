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

# calderine_module_exports(TARGET MAP exports.map [DEF exports.def])
# A plug-in module as hosts load it: only the format's entry points visible (the version script
# MAP; on Windows the module-definition file DEF), every symbol resolved at link time, and a C++
# runtime of its own.
function(calderine_module_exports target)
    cmake_parse_arguments(ARG "" "MAP;DEF" "" ${ARGN})
    if(NOT WIN32)
        target_link_options(${target} PRIVATE -Wl,--version-script=${ARG_MAP})
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ARG_MAP})
        # Not under clang's sanitizers: clang links their runtimes into executables only, and a
        # module finds them in the (sanitized) host process.
        if(NOT (CALDERINE_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
            target_link_options(${target} PRIVATE -Wl,--no-undefined)
        endif()
        # The host may bring any C++ runtime, or none: carry our own. Not under the sanitizers:
        # a private libstdc++ allocates its exception-handling pool (72704 bytes) at load, which
        # the leak checker reports as lost once the module is unloaded, and the sanitizer
        # runtimes come as shared libraries that pull the shared C++ runtime in anyway.
        if(NOT CALDERINE_SANITIZE)
            target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
        endif()
    else()
        # -static links the GCC, C++ and thread runtimes in, so that the DLL imports only system
        # DLLs.
        target_sources(${target} PRIVATE ${ARG_DEF})
        target_link_options(${target} PRIVATE -static -Wl,--no-undefined)
    endif()
endfunction()

# calderine_version_definitions(TARGET PUBLIC|PRIVATE)
# The project's one version number, as the macros CALDERINE_VERSION_MAJOR, _MINOR, _PATCH.
function(calderine_version_definitions target scope)
    target_compile_definitions(${target} ${scope}
        CALDERINE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
        CALDERINE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
        CALDERINE_VERSION_PATCH=${PROJECT_VERSION_PATCH})
endfunction()

# On x86-64 (GCC, clang) the libraries with lane loops carry a second build of them for 256-bit
# AVX2 vectors, picked at run time (simd/CpuBuild.h); the module itself still runs on any x86-64.
# No FMA: every build must round as the scalar code does.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$"
   AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
    set(CALDERINE_HAS_AVX2_BUILD ON)
else()
    set(CALDERINE_HAS_AVX2_BUILD OFF)
endif()

# calderine_avx2_sources(TARGET a.cpp b.cpp): the AVX2 build's sources, where there is one.
function(calderine_avx2_sources target)
    if(CALDERINE_HAS_AVX2_BUILD)
        target_sources(${target} PRIVATE ${ARGN})
        set_source_files_properties(${ARGN} PROPERTIES
            COMPILE_OPTIONS "-mavx2;-mno-fma;-ffp-contract=off")
    endif()
endfunction()
