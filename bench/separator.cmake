# Separator cost: per sample averaged over many frames, and the one call that completes a frame.
calderine_add_bench(calderine_separator_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SeparatorBench.cpp
    LIBS calderine_spectral
)
