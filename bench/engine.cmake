calderine_add_bench(calderine_engine_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EngineBench.cpp
                    LIBS calderine_engine)
