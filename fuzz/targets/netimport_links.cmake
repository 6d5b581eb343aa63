zep_fuzz(netimport_links SOURCE ${PROJECT_SOURCE_DIR}/fuzz/netimport_links.cpp DEPS zep_files)
