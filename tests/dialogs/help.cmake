tamberlin_qt_test(help_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/help_test.cpp
    LIBRARIES tamberlin_dialogs)
