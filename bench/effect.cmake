# The whole effect through its record: real-time factor and worst block per rate and block size.
calderine_add_bench(calderine_effect_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EffectBench.cpp
                    LIBS calderine_plugin)

# The effect against FFTW doing the transforms it needs: the ratio the speed work aims at.
if(FFTW3_FOUND)
    calderine_add_bench(calderine_effect_vs_fftw_bench
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EffectVsFftwBench.cpp
        LIBS calderine_plugin PkgConfig::FFTW3)
endif()
