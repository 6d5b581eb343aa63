zep_fuzz(xmlparser SOURCE ${PROJECT_SOURCE_DIR}/fuzz/xmlparser.cpp DEPS zep_foundation)
if(ZEP_FUZZ)
  # The parser's own units are compiled into the fuzzer too, so that they carry the coverage
  # instrumentation that guides it (the library itself is built without).
  target_sources(xmlparser PRIVATE
    ${PROJECT_SOURCE_DIR}/foundation/OrvParse.cpp ${PROJECT_SOURCE_DIR}/foundation/ORVSAX.cpp
    ${PROJECT_SOURCE_DIR}/foundation/ORVXMLParser.cpp ${PROJECT_SOURCE_DIR}/foundation/ORVXML.cpp
    ${PROJECT_SOURCE_DIR}/foundation/ORVMiniDOM.cpp)
  target_include_directories(xmlparser PRIVATE ${PROJECT_SOURCE_DIR})
endif()
