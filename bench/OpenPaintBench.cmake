zep_bench(OpenPaintBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/OpenPaintBench.cpp DEPS zep_shell)
