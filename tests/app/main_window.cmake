# The main window driven through its controls and menu items, with the scripted platform.
tamberlin_qt_test(main_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/window_test_support.h
    LIBRARIES tamberlin_desktop)
