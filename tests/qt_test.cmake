# tamberlin_qt_test(name SOURCES... LIBRARIES...): a Qt Test executable run by CTest on the
# offscreen platform, with a fixed code page and no dependence on the machine's locale.
function(tamberlin_qt_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} tamberlin_platform_fake Qt6::Test)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        TAMBERLIN_TEST_DATA_DIR="${TAMBERLIN_TEST_DATA_DIR}"
        TAMBERLIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;TAMBERLIN_CODEPAGE=cp1252;LC_ALL=C.UTF-8")
endfunction()
