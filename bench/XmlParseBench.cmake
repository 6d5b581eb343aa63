zep_bench(XmlParseBench SOURCES ${CMAKE_CURRENT_LIST_DIR}/XmlParseBench.cpp DEPS zep_foundation LibXml2::LibXml2 EXPAT::EXPAT)
