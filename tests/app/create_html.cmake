# Create Html and Preview from the main window, checked against the headless publisher.
tamberlin_qt_test(create_html_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/create_html_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/window_test_support.h
    LIBRARIES tamberlin_desktop tamberlin_generator)
