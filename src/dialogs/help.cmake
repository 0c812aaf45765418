# "Help on Tamberlin": the lookup of the help page, and the page itself copied beside the
# executable by every build of the dialogs (the program and the test runners share that folder).
set(tamberlin_help_page ${CMAKE_SOURCE_DIR}/help/tamberlin_help.htm)
set(tamberlin_help_copy ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/tamberlin_help.htm)
add_custom_command(
    OUTPUT ${tamberlin_help_copy}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${tamberlin_help_page} ${tamberlin_help_copy}
    DEPENDS ${tamberlin_help_page}
    COMMENT "Copying the help page beside the executable"
    VERBATIM)
list(APPEND TAMBERLIN_DIALOG_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/help.h
    ${CMAKE_CURRENT_LIST_DIR}/help.cpp
    ${tamberlin_help_copy}
)
