zep_bench(XmlGenerateBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/XmlGenerateBench.cpp DEPS zep_foundation LibXml2::LibXml2)
