zep_fuzz(netimport_opers SOURCE ${PROJECT_SOURCE_DIR}/fuzz/netimport_opers.cpp DEPS zep_files)
