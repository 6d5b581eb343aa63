zep_fuzz(netimport_nodes SOURCE ${PROJECT_SOURCE_DIR}/fuzz/netimport_nodes.cpp DEPS zep_files)
