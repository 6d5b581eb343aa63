zep_bench(StudyBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/StudyBench.cpp DEPS zep_model)
