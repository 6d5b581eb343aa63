zep_fuzz(geojson_nodes SOURCE ${PROJECT_SOURCE_DIR}/fuzz/geojson_nodes.cpp DEPS zep_files)
