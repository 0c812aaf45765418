# The page-look window and its background picture (made by scripts/make_look_background.py),
# compiled in as a Qt resource.
list(APPEND TAMBERLIN_DIALOG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/newhtml.h
    ${CMAKE_CURRENT_LIST_DIR}/newhtml.cpp
)
qt_add_resources(TAMBERLIN_DIALOG_SOURCES ${CMAKE_CURRENT_LIST_DIR}/newhtml.qrc)
