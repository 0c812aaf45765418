tamberlin_qt_test(picform_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/picform_test.cpp
    LIBRARIES tamberlin_dialogs)
