zep_fuzz(xmlimport SOURCE ${PROJECT_SOURCE_DIR}/fuzz/xmlimport.cpp DEPS zep_files)
