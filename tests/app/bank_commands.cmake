# The question-bank options of the program: --import, --export, --check; and the warning
# --publish gives for a cut quiz file.
add_executable(bank_commands_tests ${CMAKE_CURRENT_LIST_DIR}/bank_commands_test.cpp)
target_link_libraries(bank_commands_tests PRIVATE tamberlin_command_line GTest::gtest_main)
target_include_directories(bank_commands_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bank_commands_tests PRIVATE
    TAMBERLIN_TEST_DATA_DIR="${TAMBERLIN_TEST_DATA_DIR}"
    TAMBERLIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(bank_commands_tests DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TAMBERLIN_CODEPAGE=cp1252;LC_ALL=C.UTF-8")

# The CSV the program writes and reads, against Python's csv module.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    add_test(NAME bank_formats_against_python_csv
        COMMAND Python3::Interpreter -B ${CMAKE_CURRENT_LIST_DIR}/bank_formats_test.py
                ${CMAKE_SOURCE_DIR} $<TARGET_FILE:tamberlin>)
endif()

# GIFT written and read by the program, against gift-pegjs (npm), a GIFT parser of its own.
add_test(NAME bank_gift_against_gift_pegjs
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/banks/gift_interop/run.sh)
set_tests_properties(bank_gift_against_gift_pegjs PROPERTIES
    ENVIRONMENT "TAMBERLIN_EXE=$<TARGET_FILE:tamberlin>;TAMBERLIN_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    SKIP_RETURN_CODE 77
    TIMEOUT 180)
