zep_fuzz(pathfile SOURCE ${PROJECT_SOURCE_DIR}/fuzz/pathfile.cpp DEPS zep_analysis)
