# The page-look dialog with the scripted platform and a stand-in main window.
tamberlin_qt_test(newhtml_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/newhtml_test.cpp
    LIBRARIES tamberlin_dialogs)

# Shows the window with a sample page look (not run by CTest).
add_executable(look_window_demo ${CMAKE_CURRENT_LIST_DIR}/look_window_demo.cpp)
target_link_libraries(look_window_demo PRIVATE tamberlin_dialogs)
target_include_directories(look_window_demo PRIVATE ${CMAKE_SOURCE_DIR}/tests)
