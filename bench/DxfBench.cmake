zep_bench(DxfBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/DxfBench.cpp DEPS zep_view)
target_compile_definitions(DxfBench PRIVATE ZEP_BENCH_DATA="${PROJECT_SOURCE_DIR}/../shared/data")
