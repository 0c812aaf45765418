# The picture chooser, and the small controls it shares with the page-look dialog.
list(APPEND TAMBERLIN_DIALOG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/look_widgets.h
    ${CMAKE_CURRENT_LIST_DIR}/look_widgets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_dialog.h
    ${CMAKE_CURRENT_LIST_DIR}/picture_dialog.cpp
)
