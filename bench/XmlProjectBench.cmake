zep_bench(XmlProjectBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/XmlProjectBench.cpp DEPS zep_files)
