zep_fuzz(prjfile SOURCE ${PROJECT_SOURCE_DIR}/fuzz/prjfile.cpp DEPS zep_files)
