zep_fuzz(netimport_turns SOURCE ${PROJECT_SOURCE_DIR}/fuzz/netimport_turns.cpp DEPS zep_files)
