zep_bench(ScaleBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ScaleBench.cpp DEPS zep_modelio zep_files)
target_compile_definitions(ScaleBench PRIVATE ZEP_CLI_PATH="$<TARGET_FILE:zep-cli>")
