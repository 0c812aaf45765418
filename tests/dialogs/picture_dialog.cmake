# The picture chooser driven alone with the scripted platform.
tamberlin_qt_test(picture_dialog_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_dialog_test.cpp
    LIBRARIES tamberlin_dialogs)
