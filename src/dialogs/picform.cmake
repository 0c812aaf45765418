# The image viewer that shows a question's picture at its own size.
list(APPEND TAMBERLIN_DIALOG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/picform.h
    ${CMAKE_CURRENT_LIST_DIR}/picform.cpp
)
