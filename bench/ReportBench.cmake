# The assignment report needs results: the bench builds them as the KELVA stand-in does.
zep_bench(ReportBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ReportBench.cpp
  ${PROJECT_SOURCE_DIR}/tools/model/AssignmentFile.cpp ${PROJECT_SOURCE_DIR}/tools/model/ModelResults.cpp
  DEPS zep_modelio zep_files zep_analysis)
target_include_directories(ReportBench PRIVATE ${PROJECT_SOURCE_DIR}/tools/model)
