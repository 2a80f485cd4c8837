# The terminal's file tree and its rules (part of kvgui).
target_sources(kvgui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/terminal_file_tree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/terminal_tree_rules.cpp
)
