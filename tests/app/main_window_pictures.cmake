# The main window's question picture, image viewer, about window and help command.
tamberlin_qt_test(main_window_pictures_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_pictures_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/window_test_support.h
    LIBRARIES tamberlin_desktop)
