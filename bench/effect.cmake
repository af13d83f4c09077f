# The whole effect through its record: real-time factor and worst block per rate and block size.
calderine_add_bench(calderine_effect_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EffectBench.cpp
                    LIBS calderine_plugin)
