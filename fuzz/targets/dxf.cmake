zep_fuzz(dxf SOURCE ${PROJECT_SOURCE_DIR}/fuzz/dxf.cpp DEPS zep_view)
