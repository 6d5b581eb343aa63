zep_bench(QtPaintBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/QtPaintBench.cpp DEPS zep_view_qt)
