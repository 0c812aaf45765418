# The "Set Up" dialog on its own, with a stand-in for the main window.
tamberlin_qt_test(qsetup_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qsetup_test.cpp
    LIBRARIES tamberlin_dialogs)
