zep_fuzz(netimport_routes SOURCE ${PROJECT_SOURCE_DIR}/fuzz/netimport_routes.cpp DEPS zep_files)
