# Common settings for every target of the project.
if(ZEP_FUZZ)
  # Instrument every library so the fuzzer sees the coverage of the code under test.
  # The compiler does not report the list as a dependency, and a compiler cache does not read
  # it: a copy named by its digest changes the flags of every unit when the list changes.
  set(ZEP_COVERAGE_IGNORE_SOURCE ${PROJECT_SOURCE_DIR}/fuzz/coverage-ignore.txt)
  file(SHA1 ${ZEP_COVERAGE_IGNORE_SOURCE} ZEP_COVERAGE_IGNORE_SHA1)
  string(SUBSTRING ${ZEP_COVERAGE_IGNORE_SHA1} 0 12 ZEP_COVERAGE_IGNORE_SHA1)
  set(ZEP_COVERAGE_IGNORE ${CMAKE_BINARY_DIR}/coverage-ignore-${ZEP_COVERAGE_IGNORE_SHA1}.txt)
  configure_file(${ZEP_COVERAGE_IGNORE_SOURCE} ${ZEP_COVERAGE_IGNORE} COPYONLY)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fsanitize-coverage-ignorelist=${ZEP_COVERAGE_IGNORE})
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZEP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(zep_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
                         -Wnon-virtual-dtor -Wno-unused-parameter)
  if(ZEP_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# zep_library(name SOURCES... DEPS...): one library per layer folder.
function(zep_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    # A layer whose first unit has not been written yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  zep_defaults(${name})
endfunction()

# zep_test(name LABELS... SOURCES... DEPS...): a GoogleTest program registered with CTest.
function(zep_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    ZEP_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ZEP_SHARED_DATA="${PROJECT_SOURCE_DIR}/../shared/data"
    ZEP_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  zep_defaults(${name})
  include(GoogleTest)
  gtest_discover_tests(${name} PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()
