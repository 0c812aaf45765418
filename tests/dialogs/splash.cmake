tamberlin_qt_test(splash_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/splash_test.cpp
    LIBRARIES tamberlin_dialogs)
