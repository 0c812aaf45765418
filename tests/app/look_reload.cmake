# The page-look dialog reloaded by the main window whenever another quiz comes in.
tamberlin_qt_test(look_reload_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/look_reload_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/window_test_support.h
    LIBRARIES tamberlin_desktop)
