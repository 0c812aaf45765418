# The "Set Up" dialog and its background picture.
list(APPEND TAMBERLIN_DIALOG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/qsetup.h
    ${CMAKE_CURRENT_LIST_DIR}/qsetup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qsetup.qrc)
set(CMAKE_AUTORCC ON)
