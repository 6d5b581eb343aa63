zep_bench(PaintBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/PaintBench.cpp DEPS zep_view)
