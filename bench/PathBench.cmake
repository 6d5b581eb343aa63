zep_bench(PathBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/PathBench.cpp DEPS zep_analysis zep_files)
target_compile_definitions(PathBench PRIVATE ZEP_BENCH_DATA="${PROJECT_SOURCE_DIR}/../shared/data")
