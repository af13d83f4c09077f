calderine_add_bench(calderine_shaping_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ShapingBench.cpp
                    LIBS calderine_shaping)
