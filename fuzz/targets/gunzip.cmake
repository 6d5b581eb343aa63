zep_fuzz(gunzip SOURCE ${PROJECT_SOURCE_DIR}/fuzz/gunzip.cpp DEPS zep_foundation)
