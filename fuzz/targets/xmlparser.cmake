zep_fuzz(xmlparser SOURCE ${PROJECT_SOURCE_DIR}/fuzz/xmlparser.cpp DEPS zep_foundation)
