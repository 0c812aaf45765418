# The Qt side of the platform seam: the message boxes as the author sees them.
tamberlin_qt_test(qt_platform_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_platform_test.cpp
    LIBRARIES tamberlin_platform)
