zep_fuzz(reportsettings SOURCE ${PROJECT_SOURCE_DIR}/fuzz/reportsettings.cpp DEPS zep_modelio zep_analysis)
