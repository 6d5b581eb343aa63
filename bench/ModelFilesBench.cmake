zep_bench(ModelFilesBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModelFilesBench.cpp DEPS zep_modelio)
