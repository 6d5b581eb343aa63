zep_fuzz(tntp_net SOURCE ${PROJECT_SOURCE_DIR}/fuzz/tntp_net.cpp DEPS zep_files)
