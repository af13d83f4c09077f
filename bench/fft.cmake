# Real FFT timings; FFTW's r2c/c2r at the same sizes serve as the yardstick when it is installed.
calderine_add_bench(calderine_fft_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/FftBench.cpp
    LIBS calderine_fft
)
if(FFTW3_FOUND)
    target_link_libraries(calderine_fft_bench PRIVATE PkgConfig::FFTW3)
    target_compile_definitions(calderine_fft_bench PRIVATE CALDERINE_BENCH_WITH_FFTW=1)
endif()
