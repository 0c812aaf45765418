# The page-look dialog with the scripted platform and a stand-in main window.
tamberlin_qt_test(newhtml_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/newhtml_test.cpp
    LIBRARIES tamberlin_dialogs)
