zep_bench(GZipBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/GZipBench.cpp DEPS zep_foundation ZLIB::ZLIB)
