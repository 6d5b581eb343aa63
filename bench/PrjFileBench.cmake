zep_bench(PrjFileBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/PrjFileBench.cpp DEPS zep_files)
