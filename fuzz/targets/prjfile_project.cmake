zep_fuzz(prjfile_project SOURCE ${PROJECT_SOURCE_DIR}/fuzz/prjfile_project.cpp DEPS zep_files)
