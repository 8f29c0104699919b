find_package(GTest REQUIRED)
include(GoogleTest)

# One test executable per source folder: brindlex_add_test(<name> SOURCES ... LIBS ...)
function(brindlex_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "BRINDLEX_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()

# Foreign programs the tests run (LV2 hosts) are not sanitized: a sanitized plug-in loaded into
# one needs the AddressSanitizer runtime preloaded. Empty otherwise.
set(BRINDLEX_TOOL_PRELOAD "")
if(BRINDLEX_SANITIZE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE BRINDLEX_TOOL_PRELOAD OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
