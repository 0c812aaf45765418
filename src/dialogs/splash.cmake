# The splash/about window with its picture in the resources, and the shell launch it shares with
# the help command.
qt_add_resources(tamberlin_splash_resources ${CMAKE_CURRENT_LIST_DIR}/splash.qrc)
list(APPEND TAMBERLIN_DIALOG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/splash.h
    ${CMAKE_CURRENT_LIST_DIR}/splash.cpp
    ${CMAKE_CURRENT_LIST_DIR}/launch.h
    ${CMAKE_CURRENT_LIST_DIR}/launch.cpp
    ${tamberlin_splash_resources}
)
