# The headless options of the program: --publish, --help, --version.
add_executable(command_line_tests ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp)
target_link_libraries(command_line_tests PRIVATE tamberlin_command_line GTest::gtest_main)
target_include_directories(command_line_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(command_line_tests PRIVATE
    TAMBERLIN_TEST_DATA_DIR="${TAMBERLIN_TEST_DATA_DIR}"
    TAMBERLIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(command_line_tests DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TAMBERLIN_CODEPAGE=cp1252;LC_ALL=C.UTF-8")
