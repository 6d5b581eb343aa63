zep_bench(RelayBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/RelayBench.cpp DEPS zep_modelio)
