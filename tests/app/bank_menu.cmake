# The question-bank menu items of the main window, driven with the scripted platform.
tamberlin_qt_test(bank_menu_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/bank_menu_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/window_test_support.h
    LIBRARIES tamberlin_desktop)
