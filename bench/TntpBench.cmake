zep_bench(TntpBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/TntpBench.cpp DEPS zep_files)
target_compile_definitions(TntpBench PRIVATE ZEP_BENCH_DATA="${PROJECT_SOURCE_DIR}/../shared/data")
