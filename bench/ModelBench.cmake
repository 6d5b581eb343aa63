zep_bench(model_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModelBench.cpp DEPS zep_model)
