zep_fuzz(modelfile SOURCE ${PROJECT_SOURCE_DIR}/fuzz/modelfile.cpp DEPS zep_files)
