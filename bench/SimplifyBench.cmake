zep_bench(SimplifyBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/SimplifyBench.cpp DEPS zep_analysis)
